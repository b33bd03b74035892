#include <vector>

#include "core/win.h"
#include "prerequisites/pinned_files.h"
#include "prerequisites/prerequisites.h"
#include "prerequisites/prerequisites_text.h"
#include "reporting/reporting.h"

namespace orbalt {

bool RunProcess(std::wstring path, std::wstring arguments) {
    // The child's whole command line is the argument text: no program name in front, no quoting.
    std::vector<wchar_t> commandLine(arguments.begin(), arguments.end());
    commandLine.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    // A download that failed its digest never runs, whatever the caller did with it. The child
    // starts in the working folder, not in whatever folder the user started the installer from.
    const std::wstring folder = GetWorkFolder();
    bool started = !IsFileRefused(path) && CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr,
                                                          FALSE, CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS,
                                                          nullptr, folder.c_str(), &startup, &process);
    // The process now runs from the verified file (or none was started): the hold has done its job.
    CloseVerifiedFile(path);
    if (!started) {
        LogLine(ProcessStartFailedLine(path, arguments));
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    bool read = GetExitCodeProcess(process.hProcess, &code) != FALSE;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    LogLine(ProcessOutcomeLine(path, arguments, read ? std::optional<std::uint32_t>(code) : std::nullopt));
    return read && code == 0;
}

} // namespace orbalt
