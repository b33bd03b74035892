#include "system/registry_value.h"

namespace orbalt {

std::optional<std::uint32_t> RegistryNumber(const RegistryRead& read) {
    if (read.status != 0 || read.size > read.bytes.size()) {
        return std::nullopt;
    }
    // Only the bytes the call reported count; the rest of the buffer keeps its zero start.
    std::uint32_t number = 0;
    for (std::uint32_t i = 0; i < read.size; ++i) {
        number |= static_cast<std::uint32_t>(read.bytes[i]) << (8 * i);
    }
    return number;
}

bool IsZeroValue(const RegistryRead& read) {
    std::optional<std::uint32_t> number = RegistryNumber(read);
    return number && *number == 0;
}

ServiceStartAction DeploymentServiceAction(std::optional<std::uint32_t> start) {
    if (!start) {
        return ServiceStartAction::NotRead;
    }
    return *start == kServiceDisabled ? ServiceStartAction::ReEnable : ServiceStartAction::Enabled;
}

ServiceCheckOutcome ServiceCheckResult(ServiceStartAction action, std::int32_t writeStatus) {
    switch (action) {
    case ServiceStartAction::NotRead:
        return {L"", false};
    case ServiceStartAction::Enabled:
        return {L"The APPX Deployment Service is enabled as expected. Continuing...", false};
    case ServiceStartAction::ReEnable:
        break;
    }
    if (writeStatus != 0) {
        return {SetValueFailedLine(writeStatus), false};
    }
    return {
        L"The APPX Deployment Service was disabled (Start 4). Set it back to start on demand (Start 3); the "
        L"computer must be restarted before packages can be installed.",
        true};
}

std::wstring OpenForWriteFailedLine(std::int32_t status) {
    return L"Unable to open registry key for write: " + std::to_wstring(status);
}

std::wstring SetValueFailedLine(std::int32_t status) {
    return L"Unable to set registry key value: " + std::to_wstring(status);
}

} // namespace orbalt
