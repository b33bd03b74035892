#include "core/account.h"
#include "core/held_folder_win.h"
#include "core/state.h"
#include "reporting/log_format.h"
#include "reporting/reporting.h"
#include "reporting/window_wait.h"
#include "window/status_window.h"

namespace orbalt {
namespace {

// The folder of the log, held from StartReporting to the end of the process (driver thread only).
HeldFolder& LogFolder() {
    static HeldFolder folder;
    return folder;
}

// The usual log folder, when a LocalSystem run left it as it was and logs beside it; else empty.
std::wstring& SetAsideLogFolder() {
    static std::wstring path;
    return path;
}

// What the command processor's PAUSE did, without starting one: the command processor is the
// program COMSPEC names and runs the AutoRun command first, both settings a program the user runs
// unelevated can change. Input typed before the prompt does not count.
void WaitForKey() {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    bool console = input != nullptr && input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode);
    if (console) {
        FlushConsoleInputBuffer(input);
    }
    WriteConsoleText(L"Press any key to continue . . . ");
    INPUT_RECORD record{};
    DWORD read = 0;
    while (console && ReadConsoleInputW(input, &record, 1, &read) && read == 1) {
        if (record.EventType == KEY_EVENT &&
            EndsKeyWait(record.Event.KeyEvent.bKeyDown != FALSE, record.Event.KeyEvent.wVirtualKeyCode)) {
            break;
        }
    }
    WriteConsoleText(L"\n");
}

} // namespace

std::wstring GetTempFolder() {
    const Account account = ProcessAccount();
    const FolderPlan plan = PlanFolder(RunFolder::Log, account, HasSystemOnlyTemp());
    const std::wstring root = TempBasePath(plan.base);
    const bool remote = IsDrivePath(root) && GetDriveTypeW(root.substr(0, 3).c_str()) == DRIVE_REMOTE;
    if (std::int32_t refusal = TempPathRefusal(root, remote, account); refusal != 0) {
        throw HResultError(refusal);
    }
    const std::wstring name = L"Tessaly Installer Temp";
    if (!plan.walk) {
        CreateDirectoryW((root + name).c_str(), nullptr); // a folder that exists already is the usual case
        LogFolder() = HoldFolder(root + name);
        return LogFolder().path;
    }
    // TEMP of an elevated run is the account's to set unelevated: every part of the way is opened
    // inside the one before it, and a link a user made on it stops the run before anything is
    // deleted or written.
    const HeldFolder parent = WalkToFolder(root);
    FoundFolder found = OpenOrMakeFolderIn(parent, name, plan.made);
    switch (ChooseLogFolder(account == Account::LocalSystem, found.found)) {
    case LogFolderChoice::Use:
        LogFolder() = std::move(found.folder);
        break;
    case LogFolderChoice::FreshBeside:
        LogFolder() = MakeUnguessableFolderIn(parent, name + L"-", kAdminOnlyFolderSddl);
        SetAsideLogFolder() = parent.path + name + L"\\";
        break;
    case LogFolderChoice::StopOnLink:
        throw HResultError(kStoppedOnLink);
    case LogFolderChoice::NotAFolder:
        throw HResultError(kNotAFolder);
    }
    return LogFolder().path;
}

void WriteConsoleText(const std::wstring& text) {
    DWORD written = 0;
    WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), text.c_str(), static_cast<DWORD>(text.size()), &written,
                  nullptr);
}

void AppendLogRecord(const std::wstring& prefix, const std::wstring& text) {
    if (!LogFolder().handle) {
        return;
    }
    // One open-append-close per record with full sharing, and the record in a single write, so
    // that an elevated copy writing the same log interleaves whole records only. Opened in the held
    // folder, never by its path again, and never through a link or a second name of another file.
    UniqueHandle file =
        OpenInFolder(LogFolder(), L"Installer.log", FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_OPEN_IF, 0);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info) ||
        !IsPlainLogFile(info.dwFileAttributes, info.nNumberOfLinks)) {
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

void StartReporting(HINSTANCE instance, bool logRequired) {
    if (ReportingChannelsOf(OutputMode).statusWindow) {
        LogLine(L"Preparing to create window...");
        auto* record = new StatusWindowRecord;
        record->instance = instance;
        HANDLE thread = CreateThread(nullptr, 0, StatusWindowThread, record, 0, &record->threadId);
        if (thread != nullptr) {
            CloseHandle(thread);
        } else {
            record->state.store(StatusWindowState::Failed);
        }
        // The window either answers in time or the run goes on in a console.
        if (!AwaitWindowAnswer([](int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); },
                               [record] { return record->state.load() != StatusWindowState::Pending; })) {
            StatusWindowState expected = StatusWindowState::Pending;
            record->state.compare_exchange_strong(expected, StatusWindowState::Failed);
        }
        StatusWindow = record;
        if (record->state.load() != StatusWindowState::Created) {
            LogLine(L"Failed to create window. Installer will now enter Verbose mode.");
            OutputMode = Mode::Verbose;
            StartReporting(instance, logRequired);
            return;
        }
        LogLine(L"Created window!");
    }
    if (ReportingChannelsOf(OutputMode).ownConsole) {
        AllocConsole(); // fails when a console is already attached, which is as good
    }
    // Raises before anything is deleted or written when there is no sound temp folder; no log
    // exists then, and the notice goes to the box or the console alone.
    try {
        InstallerLog = GetTempFolder() + L"Installer.log";
    } catch (const HResultError&) {
        if (logRequired) {
            throw;
        }
        return;
    }
    // A link of that name is deleted itself, never what it points to.
    OpenInFolder(LogFolder(), L"Installer.log", DELETE, FILE_OPEN, FILE_DELETE_ON_CLOSE);
    if (!SetAsideLogFolder().empty()) {
        LogLine(LogFolderSetAsideLine(SetAsideLogFolder(), LogFolder().path));
    }
}

void EndReporting() {
    const ReportingChannels channels = ReportingChannelsOf(OutputMode);
    if (channels.statusWindow && IsStatusWindowCreated()) {
        SendMessageW(StatusWindow->window, WM_CLOSE, 0, 0);
        delete StatusWindow;
        StatusWindow = nullptr;
    }
    if (channels.ownConsole) {
        WaitForKey();
        FreeConsole();
    }
}

} // namespace orbalt
