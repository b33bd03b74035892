// Plays the user in front of message boxes: every message box that appears is written to a
// journal (caption, text, and whether the status window was visible at that moment), then
// answered with OK. It ends once the program it watches has come and gone, when the stop file
// appears, or when the time limit passes. Before it starts watching it makes a window of its own
// and then writes JOURNAL.ready: under Wine the first window of a prefix's session brings its
// desktop up, which takes longer than the installer waits for its status window.
//   answer-boxes.exe JOURNAL STOPFILE SECONDS PROGRAM.EXE
#include <windows.h>

#include <tlhelp32.h>

#include <cwchar>
#include <string>

namespace {

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (std::wcscmp(name, L"#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[4096] = {};
    GetWindowTextW(window, buffer, 4096);
    return buffer;
}

bool IsRunning(const wchar_t* image) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return false;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
        found = _wcsicmp(entry.szExeFile, image) == 0;
    }
    CloseHandle(snapshot);
    return found;
}

void Append(const wchar_t* path, const std::wstring& line) {
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    std::string bytes(line.size() * 4 + 1, '\0');
    int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(),
                                   static_cast<int>(bytes.size()), nullptr, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        return 2;
    }
    const wchar_t* journal = argv[1];
    const wchar_t* stopFile = argv[2];
    const wchar_t* program = argv[4];
    DWORD deadline = GetTickCount() + static_cast<DWORD>(_wtoi(argv[3])) * 1000;
    HWND own = CreateWindowExW(0, L"STATIC", L"answer-boxes", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    Append((std::wstring(journal) + L".ready").c_str(), L"ready\n");
    bool seen = false;
    while (GetTickCount() < deadline && GetFileAttributesW(stopFile) == INVALID_FILE_ATTRIBUTES) {
        bool running = IsRunning(program);
        if (seen && !running) {
            break;
        }
        seen = seen || running;
        HWND box = nullptr;
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
        if (box == nullptr) {
            Sleep(100);
            continue;
        }
        Sleep(300); // let the box finish drawing, as a person would
        HWND status = FindWindowW(L"Orbalt Installer", L"Orbalt Installer");
        std::wstring text = TextOf(GetDlgItem(box, 0xFFFF));
        for (wchar_t& c : text) {
            c = c == L'\n' ? L'|' : c; // one line per box
        }
        Append(journal, TextOf(box) + L"\t" + text + L"\tstatus window " +
                            (status != nullptr && IsWindowVisible(status) ? L"visible" : L"hidden") + L"\n");
        SendMessageW(box, WM_COMMAND, IDOK, 0);
        Sleep(200);
    }
    DestroyWindow(own);
    return 0;
}
