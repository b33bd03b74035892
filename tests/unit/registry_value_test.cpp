#include <gtest/gtest.h>

#include "system/registry_value.h"

namespace orbalt {
namespace {

constexpr std::int32_t kSuccess = 0;
constexpr std::int32_t kFileNotFound = 2;
constexpr std::int32_t kMoreData = 234;

RegistryRead Read(std::int32_t status, std::uint32_t size, std::array<std::uint8_t, 4> bytes = {}) {
    return RegistryRead{status, size, bytes};
}

TEST(RegistryValue, AtMostFourBytesAreANumberWhateverTheirType) {
    EXPECT_EQ(RegistryNumber(Read(kSuccess, 1, {7})), 7u);
    // Empty data, and an empty string (one UTF-16 terminator), are zero.
    EXPECT_TRUE(IsZeroValue(Read(kSuccess, 0)));
    EXPECT_TRUE(IsZeroValue(Read(kSuccess, 2, {0, 0})));
    // "a" is 'a', 0, 0, 0: a non-empty string never counts as zero.
    EXPECT_FALSE(IsZeroValue(Read(kSuccess, 4, {'a', 0, 0, 0})));
    EXPECT_FALSE(IsZeroValue(Read(kSuccess, 4, {0, 0, 0, 1})));
}

TEST(RegistryValue, MissingOrLongerThanFourBytesIsNoValue) {
    EXPECT_EQ(RegistryNumber(Read(kFileNotFound, 0)), std::nullopt);
    // Five zero bytes: the call answers "more data" and reports the size it needed.
    EXPECT_EQ(RegistryNumber(Read(kMoreData, 5)), std::nullopt);
    EXPECT_FALSE(IsZeroValue(Read(kMoreData, 5)));
    // A size above the buffer with a success status must not read past it either.
    EXPECT_EQ(RegistryNumber(Read(kSuccess, 5)), std::nullopt);
}

TEST(DeploymentService, OnlyADisabledServiceIsReEnabled) {
    EXPECT_EQ(DeploymentServiceAction(std::nullopt), ServiceStartAction::NotRead);
    for (std::uint32_t start : {0u, 2u, 3u, 5u}) {
        EXPECT_EQ(DeploymentServiceAction(start), ServiceStartAction::Enabled) << start;
    }
}

} // namespace
} // namespace orbalt
