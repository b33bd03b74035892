// Not built yet: each operation raises E_NOTIMPL, which the entry reports as an honest failure.
#include "core/error.h"
#include "system/sideloading.h"

namespace orbalt {

bool IsRegistryValueZero(std::wstring, std::wstring) { throw HResultError(kNotImplemented); }
bool SetRegistryValueToOne(std::wstring, std::wstring) { throw HResultError(kNotImplemented); }
bool IsSideloadingDisabled() { throw HResultError(kNotImplemented); }
void EnableSideloading() { throw HResultError(kNotImplemented); }
bool CheckDeploymentService() { throw HResultError(kNotImplemented); }

} // namespace orbalt
