#include "core/win.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include "core/state.h"
#include "driver/elevation.h"
#include "reporting/reporting.h"
#include "window/status_window.h"

namespace orbalt {
namespace {

std::uint64_t CreationTimeOf(HANDLE process) {
    FILETIME creation{}, exit{}, kernel{}, user{};
    if (!GetProcessTimes(process, &creation, &exit, &kernel, &user)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
}

std::optional<DWORD> ParentProcessId() {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return std::nullopt;
    }
    const DWORD self = GetCurrentProcessId();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == self) {
            return entry.th32ParentProcessID;
        }
    }
    return std::nullopt;
}

} // namespace

ExecutableIdentity IdentifyExecutable(const std::wstring& path) {
    ExecutableIdentity identity{path, std::nullopt};
    // No access rights are needed to read a file's identity, and every sharing mode is allowed so
    // that a running image can be opened.
    UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (file && GetFileInformationByHandle(file.get(), &info)) {
        identity.file =
            FileIdentity{info.dwVolumeSerialNumber,
                         (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    }
    return identity;
}

std::optional<ParentProcess> FindParentProcess() {
    std::optional<DWORD> parentId = ParentProcessId();
    if (!parentId) {
        return std::nullopt;
    }
    UniqueHandle parent(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, *parentId));
    if (!parent) {
        return std::nullopt;
    }
    std::wstring path(32768, L'\0');
    DWORD length = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(parent.get(), 0, path.data(), &length)) {
        return std::nullopt;
    }
    path.resize(length);
    return ParentProcess{IdentifyExecutable(path), CreationTimeOf(parent.get())};
}

std::uint64_t CurrentProcessCreationTime() {
    return CreationTimeOf(GetCurrentProcess());
}

ElevationOutcome RunElevatedCopy() {
    const std::wstring path = InstallerPath();
    if (path.empty()) {
        return {ElevationResult::NotStarted, 0};
    }
    if (IsUnelevatedElevatedCopy(ProvisionMode, IdentifyExecutable(path), CurrentProcessCreationTime(),
                                 FindParentProcess())) {
        LogLine(kStillNotElevatedLine);
        return {ElevationResult::NotStarted, 0};
    }

    const ElevatedCopyRequest request = ElevatedCopyShellRequest(OutputMode);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = request.mask;
    info.hwnd = nullptr;
    info.lpVerb = request.verb.c_str();
    info.lpFile = path.c_str();
    info.lpParameters = request.parameters.c_str();
    info.lpDirectory = nullptr;
    info.nShow = request.show;

    LogLine(L"Self-elevating EXE at '" + path + L"' with args " + request.parameters);
    LogLine(
        L"Note! Installer logs will not be here! Look under the temp folder within the account that ran the "
        L"installer.");
    SetStatusText(L"Waiting for Self-Elevated Orbalt installer response...");
    HideStatusWindow();

    if (!ShellExecuteExW(&info)) {
        return {ElevationResult::NotStarted, 0};
    }
    if (info.hProcess == nullptr) {
        return {ElevationResult::NoProcessHandle, 0};
    }
    UniqueHandle process(info.hProcess);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD read = 0;
    const std::uint32_t code = ElevatedCopyExitCode(
        GetExitCodeProcess(process.get(), &read) ? std::optional<std::uint32_t>(read) : std::nullopt);
    LogLine(ElevatedCopyExitLine(code));
    return {ElevationResult::Finished, code};
}

} // namespace orbalt
