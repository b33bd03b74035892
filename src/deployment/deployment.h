// Operations on the Windows package deployment service. Each fills the caller's error text
// only when it reports a failure; failures of the platform calls themselves are raised.
#pragma once

#include <cstdint>
#include <string>

#include "deployment/package_version.h"

namespace orbalt {

bool IsPackageInstalled(std::wstring familyName, PackageVersion minimumVersion);
bool StagePackage(std::wstring path, std::wstring& errorText);
bool ProvisionPackage(std::wstring familyName, std::wstring& errorText);
bool RegisterPackage(std::wstring fullName, std::wstring& errorText);
bool AddPackageForUser(std::wstring path, std::wstring& errorText, std::uint32_t options);
bool InstallPackage(std::wstring path, std::wstring& errorText, std::uint32_t options);

} // namespace orbalt
