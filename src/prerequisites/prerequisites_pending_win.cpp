// Not built yet: each operation raises E_NOTIMPL, which the entry reports as an honest failure.
#include "core/error.h"
#include "prerequisites/prerequisites.h"

namespace orbalt {

std::wstring ExtractResource(std::wstring, std::wstring) { throw HResultError(kNotImplemented); }
std::wstring DownloadFile(std::wstring, std::wstring) { throw HResultError(kNotImplemented); }
bool FileExists(std::wstring) { throw HResultError(kNotImplemented); }
bool RunProcess(std::wstring, std::wstring) { throw HResultError(kNotImplemented); }
bool IsDotNetRuntimeInstalled() { throw HResultError(kNotImplemented); }

} // namespace orbalt
