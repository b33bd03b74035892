// How the side-loading and service values are read: registry data of at most 4 bytes, taken as a
// number whatever its type, and what the deployment service check does with its "Start" value.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orbalt {

inline constexpr wchar_t kAppModelUnlockKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\AppModelUnlock";
inline constexpr wchar_t kAppxPolicyKey[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\Appx";
inline constexpr wchar_t kAllowAllTrustedApps[] = L"AllowAllTrustedApps";
inline constexpr wchar_t kAppxServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\AppXSvc";
inline constexpr wchar_t kServiceStart[] = L"Start";

// How the keys are opened: KEY_READ (0x20019) to look, KEY_READ | KEY_WRITE (0x2001F) to change.
inline constexpr std::uint32_t kRegistryRead = 0x20019;
inline constexpr std::uint32_t kRegistryReadWrite = 0x2001F;

// Service start types: 3 starts on demand (the AppX service's default), 4 is disabled.
inline constexpr std::uint32_t kServiceDemandStart = 3;
inline constexpr std::uint32_t kServiceDisabled = 4;

// A value read into a 4-byte buffer that starts as zero: the call's status (0 is success), the
// byte count it reported (which exceeds 4 when the data did not fit) and the buffer.
struct RegistryRead {
    std::int32_t status = 0;
    std::uint32_t size = 0;
    std::array<std::uint8_t, 4> bytes{};
};

// The number read, little-endian; empty when the value is missing or longer than 4 bytes.
std::optional<std::uint32_t> RegistryNumber(const RegistryRead& read);

// The value exists, fits in 4 bytes and all of them are zero (empty data counts as zero).
bool IsZeroValue(const RegistryRead& read);

enum class ServiceStartAction { NotRead, Enabled, ReEnable };

// Only a disabled service (4) is changed; any other value it may keep.
ServiceStartAction DeploymentServiceAction(std::optional<std::uint32_t> start);

// What the check logs (nothing when empty) and whether it asks for a restart, once a disabled
// service's value was written back with `writeStatus` (0 for success): only a service that is
// enabled again needs one; one still disabled is left to the package steps, which fail and say so.
struct ServiceCheckOutcome {
    std::wstring line;
    bool restartRequired;
};
ServiceCheckOutcome ServiceCheckResult(ServiceStartAction action, std::int32_t writeStatus);

// Log lines of a side-loading value that had to be set to 1 and could not be.
std::wstring OpenForWriteFailedLine(std::int32_t status);
std::wstring SetValueFailedLine(std::int32_t status);

} // namespace orbalt
