// Plays the user in front of message boxes: every message box that appears is written to a
// journal (caption, text, and whether the status window was visible at that moment), then
// answered with OK. Runs until the stop file exists or the time limit passes.
//   answer-boxes.exe JOURNAL STOPFILE SECONDS
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
    HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (std::wcscmp(name, L"#32770") == 0 && IsWindowVisible(window)) {
        reinterpret_cast<Search*>(param)->box = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[4096] = {};
    GetWindowTextW(window, buffer, 4096);
    return buffer;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        return 2;
    }
    const wchar_t* journalPath = argv[1];
    const wchar_t* stopFile = argv[2];
    DWORD deadline = GetTickCount() + static_cast<DWORD>(_wtoi(argv[3])) * 1000;
    while (GetTickCount() < deadline && GetFileAttributesW(stopFile) == INVALID_FILE_ATTRIBUTES) {
        Search search;
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.box == nullptr) {
            Sleep(100);
            continue;
        }
        Sleep(300); // let the box finish drawing, as a person would
        HWND status = FindWindowW(L"Orbalt Installer", L"Orbalt Installer");
        std::wstring text = TextOf(GetDlgItem(search.box, 0xFFFF));
        for (wchar_t& c : text) {
            c = c == L'\n' ? L'|' : c; // one line per box
        }
        FILE* journal = _wfopen(journalPath, L"a, ccs=UTF-8");
        if (journal != nullptr) {
            std::fwprintf(journal, L"%ls\t%ls\tstatus window %ls\n", TextOf(search.box).c_str(), text.c_str(),
                          status != nullptr && IsWindowVisible(status) ? L"visible" : L"hidden");
            std::fclose(journal);
        }
        SendMessageW(search.box, WM_COMMAND, IDOK, 0);
        Sleep(200);
    }
    return 0;
}
