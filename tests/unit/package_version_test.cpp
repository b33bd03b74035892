#include <gtest/gtest.h>

#include <stdexcept>

#include "deployment/package_version.h"

namespace orbalt {
namespace {

// The order is proven where it decides, in the installed-package query (deployment_rules_test).
TEST(PackageVersion, ParseAndFormat) {
    EXPECT_EQ(ParsePackageVersion(L"14.0.33728.0"), (PackageVersion{14, 0, 33728, 0}));
    EXPECT_EQ(ParsePackageVersion(L"10"), (PackageVersion{10, 0, 0, 0}));
    EXPECT_EQ(ParsePackageVersion(L"1..3"), (PackageVersion{1, 0, 3, 0}));
    EXPECT_EQ(ParsePackageVersion(L"1.2.3.4.5"), (PackageVersion{1, 2, 3, 4}));
    EXPECT_EQ(ParsePackageVersion(L" 7x.+8.0009"), (PackageVersion{7, 8, 9, 0}));
    EXPECT_EQ(ParsePackageVersion(L""), (PackageVersion{}));
    EXPECT_EQ(ParsePackageVersion(L".5"), (PackageVersion{0, 5, 0, 0})); // a leading empty part is 0
    EXPECT_EQ(ParsePackageVersion(L"1.2.3.4 beta"),
              (PackageVersion{1, 2, 3, 4}));                              // the rest of a part is ignored
    EXPECT_THROW(ParsePackageVersion(L"1.2.x.4"), std::invalid_argument); // any part, not only the first
    EXPECT_EQ(ParsePackageVersion(L"65535.0.0.0"), (PackageVersion{65535, 0, 0, 0}));
    EXPECT_THROW(ParsePackageVersion(L"a.1"), std::invalid_argument);
    EXPECT_THROW(ParsePackageVersion(L"1.65536"), std::out_of_range);
    EXPECT_THROW(ParsePackageVersion(L"1.-1"), std::out_of_range);
    EXPECT_THROW(ParsePackageVersion(L"99999999999"), std::out_of_range);

    EXPECT_EQ(FormatPackageVersion({14, 0, 33728, 0}), L"14.0.33728.0");
    EXPECT_EQ(FormatPackageVersion({65535, 65535, 65535, 65535}), L"65535.65535.65535.65535");
}

} // namespace
} // namespace orbalt
