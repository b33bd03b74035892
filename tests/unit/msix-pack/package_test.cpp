#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "package.h"

namespace orbalt::msix {
namespace {

TEST(BuildPackage, RefusesNamesAPackageCannotHold) {
    auto manifest = PackageFile{"AppxManifest.xml", {'<', '/', '>'}};
    EXPECT_NO_THROW(BuildPackage({manifest, {"Assets/Logo.png", {1}}}));
    EXPECT_THROW(BuildPackage({{"Orbalt.exe", {1}}}), std::runtime_error); // no manifest
    EXPECT_THROW(BuildPackage({manifest, {"a.txt", {1}}, {"A.TXT", {2}}}), std::runtime_error);
    EXPECT_THROW(BuildPackage({manifest, {"AppxBlockMap.xml", {1}}}), std::runtime_error);
    EXPECT_THROW(BuildPackage({manifest, {"AppxSignature.p7x", {1}}}), std::runtime_error);
    EXPECT_THROW(BuildPackage({manifest, {"my file.txt", {1}}}), std::runtime_error);
    EXPECT_THROW(BuildPackage({manifest, {"../up.txt", {1}}}), std::runtime_error);
    EXPECT_THROW(BuildPackage({manifest, {"/root.txt", {1}}}), std::runtime_error);
}

} // namespace
} // namespace orbalt::msix
