// Not built yet: each operation raises E_NOTIMPL, which the entry reports as an honest failure.
#include "core/error.h"
#include "deployment/deployment.h"

namespace orbalt {

bool IsPackageInstalled(std::wstring, PackageVersion) { throw HResultError(kNotImplemented); }
bool StagePackage(std::wstring, std::wstring&) { throw HResultError(kNotImplemented); }
bool ProvisionPackage(std::wstring, std::wstring&) { throw HResultError(kNotImplemented); }
bool RegisterPackage(std::wstring, std::wstring&) { throw HResultError(kNotImplemented); }
bool AddPackageForUser(std::wstring, std::wstring&, std::uint32_t) { throw HResultError(kNotImplemented); }
bool InstallPackage(std::wstring, std::wstring&, std::uint32_t) { throw HResultError(kNotImplemented); }

} // namespace orbalt
