#include <cstdlib>

#include "core/state.h"
#include "core/win.h"
#include "reporting/log_format.h"
#include "reporting/reporting.h"
#include "reporting/temp_folder.h"
#include "window/status_window.h"

namespace orbalt {

std::wstring GetTempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0) {
        ThrowLastError();
    }
    if (length > MAX_PATH) { // the path did not fit, and the folder could not be made anyway
        throw HResultError(kPathTooLong);
    }
    std::wstring folder(buffer, length);
    if (std::int32_t refusal = TempPathRefusal(folder); refusal != 0) {
        throw HResultError(refusal);
    }
    folder += L"Tessaly Installer Temp\\";
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        ThrowLastError();
    }
    // Without the trailing backslash, which would have a link followed to its target.
    DWORD attributes = GetFileAttributesW(folder.substr(0, folder.size() - 1).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        ThrowLastError();
    }
    if (std::int32_t refusal = TempFolderRefusal(attributes); refusal != 0) {
        throw HResultError(refusal);
    }
    return folder;
}

void RefuseLinkedFile(const std::wstring& path) {
    if (std::int32_t refusal = TempFileRefusal(GetFileAttributesW(path.c_str())); refusal != 0) {
        throw HResultError(refusal);
    }
}

void WriteConsoleText(const std::wstring& text) {
    DWORD written = 0;
    WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), text.c_str(), static_cast<DWORD>(text.size()), &written,
                  nullptr);
}

void AppendLogRecord(const std::wstring& prefix, const std::wstring& text) {
    if (InstallerLog.empty()) {
        return;
    }
    // One open-append-close per record with full sharing, and the record in a single write, so
    // that an elevated copy writing the same log interleaves whole records only.
    // Never through a link planted in the temp folder.
    UniqueHandle file(CreateFileW(
        InstallerLog.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        return;
    }
    std::string bytes = FormatLogRecord(prefix, text);
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void LogLine(std::wstring text) {
    WriteConsoleText(text + L"\n");
    AppendLogRecord(kLogPrefix, text);
}

void StartReporting(HINSTANCE instance) {
    if (OutputMode == Mode::Gui) {
        LogLine(L"Preparing to create window...");
        auto* record = new StatusWindowRecord;
        record->instance = instance;
        HANDLE thread = CreateThread(nullptr, 0, StatusWindowThread, record, 0, &record->threadId);
        if (thread != nullptr) {
            CloseHandle(thread);
        } else {
            record->state.store(StatusWindowState::Failed);
        }
        // At most eleven sleeps of 50 ms: the window either answers or the run goes on in a console.
        int waited = 0;
        while (true) {
            Sleep(50);
            waited += 50;
            if (record->state.load() != StatusWindowState::Pending) {
                break;
            }
            if (waited > 500) {
                StatusWindowState expected = StatusWindowState::Pending;
                record->state.compare_exchange_strong(expected, StatusWindowState::Failed);
                break;
            }
        }
        StatusWindow = record;
        if (record->state.load() != StatusWindowState::Created) {
            LogLine(L"Failed to create window. Installer will now enter Verbose mode.");
            OutputMode = Mode::Verbose;
            StartReporting(instance);
            return;
        }
        LogLine(L"Created window!");
    }
    if (OutputMode == Mode::Verbose) {
        AllocConsole(); // fails when a console is already attached, which is as good
    }
    // Raises before anything is deleted or written when there is no sound temp folder; no log
    // exists then, and the notice goes to the box or the console alone.
    std::wstring log = GetTempFolder() + L"Installer.log";
    RefuseLinkedFile(log);
    InstallerLog = log;
    DeleteFileW(InstallerLog.c_str());
}

void EndReporting() {
    switch (OutputMode) {
    case Mode::Gui:
        if (IsStatusWindowCreated()) {
            SendMessageW(StatusWindow->window, WM_CLOSE, 0, 0);
            delete StatusWindow;
            StatusWindow = nullptr;
        }
        break;
    case Mode::Verbose:
        std::system("PAUSE");
        FreeConsole();
        break;
    case Mode::Silent:
        break;
    }
}

} // namespace orbalt
