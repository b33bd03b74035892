#include <vector>

#include "core/win.h"

#include <userenv.h>

#include "prerequisites/child_environment.h"
#include "prerequisites/pinned_files.h"
#include "prerequisites/prerequisites.h"
#include "prerequisites/prerequisites_text.h"
#include "reporting/reporting.h"

namespace orbalt {
namespace {

// The block a child starts with: chosen by the run, never the user's (see ChildEnvironment).
std::vector<wchar_t> ChildEnvironmentBlock(const std::wstring& workFolder) {
    void* block = nullptr;
    if (!CreateEnvironmentBlock(&block, nullptr, FALSE)) { // no token: the machine's variables alone
        ThrowLastError();
    }
    std::vector<std::wstring> machine;
    for (const wchar_t* entry = static_cast<const wchar_t*>(block); *entry != L'\0';
         entry += machine.back().size() + 1) {
        machine.emplace_back(entry);
    }
    DestroyEnvironmentBlock(block);
    std::vector<wchar_t> result;
    for (const std::wstring& entry : ChildEnvironment(machine, workFolder)) {
        result.insert(result.end(), entry.begin(), entry.end());
        result.push_back(L'\0');
    }
    result.push_back(L'\0');
    return result;
}

} // namespace

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
    std::vector<wchar_t> environment = ChildEnvironmentBlock(folder);
    bool started = !IsFileRefused(path) && CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr,
                                                          FALSE, kChildCreationFlags, environment.data(),
                                                          folder.c_str(), &startup, &process);
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
