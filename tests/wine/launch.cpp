// Test launcher: starts a program with a given command line, waits for it, and writes its full
// 32-bit exit code (unsigned decimal) to a file, which `wine` alone cannot pass to the shell, and
// after a space the milliseconds the program ran, timed on the Windows side so that Wine's own
// start is not counted.
//   launch.exe [--limited] [--answer JOURNAL] [--window CLASS] --rc FILE -- PROGRAM [ARGS...]
// --limited starts the program with the linked (non-elevated) token of our own elevated one.
// --answer plays the user in front of message boxes while it runs: each box that appears is written
// to JOURNAL in UTF-16 (caption, text with "|" for line feeds, and whether the status window was
// visible), then answered with OK.
// --window times a start-up: the program is ended once a visible window of that class is up;
// without that window the file holds no time.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "launch: %s failed (%lu)\n", what, GetLastError());
    return 255;
}

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
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

void AnswerBox(const std::wstring& journal) {
    HWND box = nullptr;
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) {
        return;
    }
    Sleep(300); // let the box finish drawing, as a person would
    HWND status = FindWindowW(L"Orbalt Installer", L"Orbalt Installer");
    std::wstring text = TextOf(GetDlgItem(box, 0xFFFF));
    for (wchar_t& c : text) {
        c = c == L'\n' ? L'|' : c; // one line per box
    }
    const std::wstring line = TextOf(box) + L"\t" + text + L"\tstatus window " +
                              (status != nullptr && IsWindowVisible(status) ? L"visible" : L"hidden") + L"\n";
    if (FILE* file = _wfopen(journal.c_str(), L"ab")) {
        std::fwrite(line.data(), sizeof(wchar_t), line.size(), file);
        std::fclose(file);
    }
    SendMessageW(box, WM_COMMAND, IDOK, 0);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    bool limited = false;
    std::wstring rcFile, journal, windowClass;
    int i = 1;
    for (; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--limited") {
            limited = true;
        } else if ((arg == L"--rc" || arg == L"--answer" || arg == L"--window") && i + 1 < argc) {
            (arg == L"--rc" ? rcFile : arg == L"--answer" ? journal : windowClass) = argv[++i];
        } else if (arg == L"--") {
            ++i;
            break;
        }
    }
    if (i >= argc) {
        std::fprintf(stderr,
                     "usage: launch.exe [--limited] [--answer JOURNAL] [--window CLASS] --rc FILE -- PROGRAM "
                     "[ARGS...]\n");
        return 2;
    }
    std::wstring program = argv[i];
    // The program's command line is the rest of ours, quoted as Wine quoted the Unix arguments.
    std::wstring commandLine = std::wcsstr(GetCommandLineW(), L" -- ") + 4;
    // Under Wine the first window of a prefix's session brings its desktop up, which takes longer
    // than the installer waits for its status window: one of our own comes first.
    HWND own = journal.empty() ? nullptr
                               : CreateWindowExW(0, L"STATIC", L"launch", 0, 0, 0, 1, 1, nullptr, nullptr,
                                                 nullptr, nullptr);

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    BOOL started = FALSE;
    if (limited) {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
            return Fail("OpenProcessToken");
        }
        TOKEN_LINKED_TOKEN linked{};
        DWORD size = 0;
        if (!GetTokenInformation(token, TokenLinkedToken, &linked, sizeof(linked), &size)) {
            return Fail("GetTokenInformation(TokenLinkedToken)");
        }
        CloseHandle(token);
        started = CreateProcessAsUserW(linked.LinkedToken, program.c_str(), commandLine.data(), nullptr,
                                       nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
        CloseHandle(linked.LinkedToken);
    } else {
        started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &startup, &process);
    }
    if (!started) {
        return Fail("CreateProcess");
    }
    bool shown = false;
    while (WaitForSingleObject(process.hProcess, windowClass.empty() ? 100 : 1) == WAIT_TIMEOUT) {
        HWND window = windowClass.empty() ? nullptr : FindWindowW(windowClass.c_str(), nullptr);
        if (window != nullptr && IsWindowVisible(window)) {
            QueryPerformanceCounter(&end);
            shown = TerminateProcess(process.hProcess, 0);
            WaitForSingleObject(process.hProcess, INFINITE);
        }
        if (!journal.empty()) {
            AnswerBox(journal);
        }
    }
    if (!shown) {
        QueryPerformanceCounter(&end);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (own != nullptr) {
        DestroyWindow(own);
    }
    if (!rcFile.empty()) {
        FILE* file = _wfopen(rcFile.c_str(), L"w");
        if (file != nullptr) {
            const double ms = static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                              static_cast<double>(frequency.QuadPart);
            std::fprintf(file, windowClass.empty() || shown ? "%lu %.1f\n" : "%lu\n",
                         static_cast<unsigned long>(code), ms);
            std::fclose(file);
        }
    }
    return code == 0 ? 0 : 1;
}
