// The side-loading policy values and the AppX deployment service's start value.
#pragma once

#include <string>

namespace orbalt {

bool IsRegistryValueZero(std::wstring subKey, std::wstring valueName);
bool SetRegistryValueToOne(std::wstring subKey, std::wstring valueName);
bool IsSideloadingDisabled();
void EnableSideloading();
bool CheckDeploymentService();

} // namespace orbalt
