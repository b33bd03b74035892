#include "core/win.h"
#include "reporting/reporting.h"
#include "system/registry_value.h"
#include "system/sideloading.h"

namespace orbalt {
namespace {

// Reads a value into a zeroed 4-byte buffer without asking for its type.
RegistryRead ReadValue(HKEY key, const std::wstring& valueName) {
    RegistryRead read;
    DWORD size = static_cast<DWORD>(read.bytes.size());
    read.status = RegQueryValueExW(key, valueName.c_str(), nullptr, nullptr, read.bytes.data(), &size);
    read.size = size;
    return read;
}

} // namespace

bool IsRegistryValueZero(std::wstring subKey, std::wstring valueName) {
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, kRegistryRead, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    return IsZeroValue(ReadValue(key.get(), valueName));
}

bool SetRegistryValueToOne(std::wstring subKey, std::wstring valueName) {
    if (!IsRegistryValueZero(subKey, valueName)) {
        return true;
    }
    UniqueHKey key;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, kRegistryReadWrite, key.put());
    if (status != ERROR_SUCCESS) {
        LogLine(OpenForWriteFailedLine(status));
        return false;
    }
    const DWORD one = 1;
    status = RegSetValueExW(key.get(), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                            sizeof(one));
    if (status != ERROR_SUCCESS) {
        LogLine(SetValueFailedLine(status));
        return false;
    }
    return true;
}

bool IsSideloadingDisabled() {
    // Both are always asked, in this order.
    bool systemSetting = IsRegistryValueZero(kAppModelUnlockKey, kAllowAllTrustedApps);
    bool groupPolicy = IsRegistryValueZero(kAppxPolicyKey, kAllowAllTrustedApps);
    return systemSetting || groupPolicy;
}

void EnableSideloading() {
    SetRegistryValueToOne(kAppModelUnlockKey, kAllowAllTrustedApps);
    SetRegistryValueToOne(kAppxPolicyKey, kAllowAllTrustedApps);
}

bool CheckDeploymentService() {
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAppxServiceKey, 0, kRegistryReadWrite, key.put()) !=
        ERROR_SUCCESS) {
        return false;
    }
    const ServiceStartAction action =
        DeploymentServiceAction(RegistryNumber(ReadValue(key.get(), kServiceStart)));
    LSTATUS written = ERROR_SUCCESS;
    if (action == ServiceStartAction::ReEnable) {
        const DWORD demandStart = kServiceDemandStart;
        written = RegSetValueExW(key.get(), kServiceStart, 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&demandStart), sizeof(demandStart));
    }
    const ServiceCheckOutcome outcome = ServiceCheckResult(action, written);
    if (!outcome.line.empty()) {
        LogLine(outcome.line);
    }
    return outcome.restartRequired;
}

} // namespace orbalt
