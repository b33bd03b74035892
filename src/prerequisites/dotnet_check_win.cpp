#include "prerequisites/prerequisites.h"
#include "prerequisites/prerequisites_text.h"
#include "reporting/reporting.h"

namespace orbalt {

bool IsDotNetRuntimeInstalled() {
    LogLine(std::wstring(
                L"[.NET Runtime] Checking to see if '.NET Desktop Runtime', with a minimum version of '") +
            RequiredDotNetVersion + L"' is installed on the system...");
    std::wstring checker = ExtractResource(L"EXE_NETCORECHECK", L"EXE");
    if (RunProcess(checker, DotNetCheckArguments())) {
        LogLine(std::wstring(L"[.NET Runtime] .NET Desktop Runtime ") + RequiredDotNetVersion +
                L" is installed!");
        return true;
    }
    LogLine(L"[.NET Runtime] Runtime is not installed!");
    return false;
}

} // namespace orbalt
