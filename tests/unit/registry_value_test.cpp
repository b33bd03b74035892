#include <gtest/gtest.h>

#include "system/registry_value.h"

namespace orbalt {
namespace {

// A value read into a zeroed 4-byte buffer, whatever its type: the call's status (ERROR_SUCCESS 0,
// ERROR_MORE_DATA 234) and the size it reported. The end-to-end rows read a missing and an 8-byte one.
TEST(RegistryValue, EveryReadAsANumber) {
    struct Row {
        std::int32_t status;
        std::uint32_t size;
        std::array<std::uint8_t, 4> bytes;
        std::optional<std::uint32_t> number;
    };
    const Row rows[] = {
        {0, 4, {0, 0, 0, 0}, 0},            // REG_DWORD 0
        {0, 4, {4, 0, 0, 0}, 4},            // little-endian
        {0, 4, {0, 0, 0, 1}, 0x01000000},   //
        {0, 1, {7}, 7},                     // REG_BINARY of one byte
        {0, 0, {}, 0},                      // empty data
        {0, 2, {0, 0}, 0},                  // an empty string: its terminator
        {0, 4, {'a', 0, 0, 0}, 'a'},        // "a" never counts as zero
        {234, 5, {}, std::nullopt},         // five zero bytes
        {0, 5, {0, 0, 0, 0}, std::nullopt}, // a size above the buffer is never read past it
    };
    for (const Row& row : rows) {
        const RegistryRead read{row.status, row.size, row.bytes};
        EXPECT_EQ(RegistryNumber(read), row.number) << row.status << " " << row.size;
        EXPECT_EQ(IsZeroValue(read), row.number == 0u) << row.status << " " << row.size;
    }
}

// Every "Start" of the AppX deployment service (2 automatic, 3 on demand, 4 disabled, and values
// no service has), with writing 3 back succeeding or denied (ERROR_ACCESS_DENIED, 5).
TEST(DeploymentService, EveryStartValueAndWrite) {
    const std::wstring enabled = L"The APPX Deployment Service is enabled as expected. Continuing...";
    using Start = std::optional<std::uint32_t>;
    for (std::int32_t write : {0, 5}) {
        for (Start start : {Start(), Start(0), Start(1), Start(2), Start(3), Start(5), Start(0xFFFFFFFF)}) {
            const ServiceCheckOutcome outcome = ServiceCheckResult(DeploymentServiceAction(start), write);
            EXPECT_EQ(outcome.line, start ? enabled : L"") << start.value_or(99) << " " << write;
            EXPECT_FALSE(outcome.restartRequired);
        }
    }
    const ServiceCheckOutcome reEnabled = ServiceCheckResult(DeploymentServiceAction(4u), 0);
    EXPECT_EQ(reEnabled.line,
              L"The APPX Deployment Service was disabled (Start 4). Set it back to start on demand "
              L"(Start 3); the computer must be restarted before packages can be installed.");
    EXPECT_TRUE(reEnabled.restartRequired);
    // Still disabled: asking for a restart would promise what did not happen.
    const ServiceCheckOutcome denied = ServiceCheckResult(DeploymentServiceAction(4u), 5);
    EXPECT_EQ(denied.line, L"Unable to set registry key value: 5");
    EXPECT_FALSE(denied.restartRequired);
    EXPECT_EQ(OpenForWriteFailedLine(5), L"Unable to open registry key for write: 5");
}

} // namespace
} // namespace orbalt
