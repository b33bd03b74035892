#include <windows.h>

#include <shellapi.h>

#include "core/account.h"
#include "core/win.h"
#include "reporting/log_format.h"
#include "reporting/reporting.h"
#include "window/status_window.h"

namespace orbalt {
namespace {

// Notepad of the system folder, on the log; not the program the user's settings choose.
void OpenWithSystemNotepad(const std::wstring& log) {
    wchar_t system[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    const std::wstring notepad = std::wstring(system, length) + L"\\notepad.exe";
    std::wstring commandLine = L"\"" + notepad + L"\" \"" + log + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (CreateProcessW(notepad.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, system,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void ReportNotice(const std::wstring& title, const std::wstring& text, NoticeKind kind) {
    if (ReportingChannelsOf(OutputMode).statusWindow) {
        HideStatusWindow();
        MessageBoxW(nullptr, text.c_str(), title.c_str(), NoticeBoxStyle(kind));
    } else {
        WriteConsoleText(NoticeBody(title, text));
    }
    AppendLogRecord(NoticePrefix(kind), NoticeBody(title, text));
}

} // namespace

void ReportError(std::wstring title, std::wstring text) {
    ReportNotice(title, text, NoticeKind::Error);
}

void ReportInfo(std::wstring title, std::wstring text) {
    ReportNotice(title, text, NoticeKind::Info);
}

void SetStatusText(std::wstring text) {
    if (!ReportingChannelsOf(OutputMode).statusWindow) {
        WriteConsoleText(text);
    } else if (IsStatusWindowCreated()) {
        // The window procedure copies the text before SendMessageW returns.
        SendMessageW(StatusWindow->window, WM_SETSTATUSTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void SetProgress(double percent) {
    SetStatusText(ProgressText(DownloadCount, DownloadNumber, percent));
}

void OpenLogFile() {
    const LogOpener opener =
        ChooseLogOpener(OutputMode, RunAccount, RunAccount == Account::Elevated && OwnsDesktop());
    if (opener == LogOpener::None) {
        return;
    }
    // An unreadable folder counts as no log: nothing is opened.
    DWORD attributes = GetFileAttributesW(InstallerLog.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return;
    }
    if (opener == LogOpener::Association) {
        ShellExecuteW(nullptr, nullptr, InstallerLog.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } else {
        OpenWithSystemNotepad(InstallerLog);
    }
}

} // namespace orbalt
