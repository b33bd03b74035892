#include <windows.h>

#include <shellapi.h>

#include "core/state.h"
#include "reporting/log_format.h"
#include "reporting/reporting.h"
#include "window/status_window.h"

namespace orbalt {
namespace {

void ReportNotice(const std::wstring& title, const std::wstring& text, UINT icon, const wchar_t* prefix) {
    if (OutputMode == Mode::Gui) {
        if (IsStatusWindowCreated()) {
            SetWindowPos(StatusWindow->window, HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED | SWP_HIDEWINDOW);
        }
        MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | icon);
    } else {
        WriteConsoleText(NoticeBody(title, text));
    }
    AppendLogRecord(prefix, NoticeBody(title, text));
}

} // namespace

void ReportError(std::wstring title, std::wstring text) { ReportNotice(title, text, MB_ICONERROR, kErrorPrefix); }

void ReportInfo(std::wstring title, std::wstring text) {
    ReportNotice(title, text, MB_ICONINFORMATION, kInfoPrefix);
}

void SetStatusText(std::wstring text) {
    if (OutputMode != Mode::Gui) {
        WriteConsoleText(text);
    } else if (IsStatusWindowCreated()) {
        // The window procedure copies the text before SendMessageW returns.
        SendMessageW(StatusWindow->window, WM_SETSTATUSTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void SetProgress(double percent) { SetStatusText(ProgressText(DownloadCount, DownloadNumber, percent)); }

void OpenLogFile() {
    if (OutputMode == Mode::Silent) {
        return;
    }
    // An unreadable folder counts as no log: nothing is opened.
    DWORD attributes = GetFileAttributesW(InstallerLog.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ShellExecuteW(nullptr, nullptr, InstallerLog.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
}

} // namespace orbalt
