// Test launcher: starts a program with a given command line, waits for it, and writes its full
// 32-bit exit code (unsigned decimal) to a file, which `wine` alone cannot pass to the shell.
//   launch.exe [--limited] --rc FILE -- PROGRAM [ARGS...]
// --limited starts the program with the linked (non-elevated) token of our own elevated one.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
        return arg;
    }
    std::wstring out = L"\"";
    for (wchar_t c : arg) {
        if (c == L'"') {
            out += L'\\';
        }
        out += c;
    }
    return out + L"\"";
}

int Fail(const char* what) {
    std::fprintf(stderr, "launch: %s failed (%lu)\n", what, GetLastError());
    return 255;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    bool limited = false;
    std::wstring rcFile;
    int i = 1;
    for (; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--limited") {
            limited = true;
        } else if (arg == L"--rc" && i + 1 < argc) {
            rcFile = argv[++i];
        } else if (arg == L"--") {
            ++i;
            break;
        }
    }
    if (i >= argc) {
        std::fprintf(stderr, "usage: launch.exe [--limited] --rc FILE -- PROGRAM [ARGS...]\n");
        return 2;
    }
    std::wstring program = argv[i];
    std::wstring commandLine = Quote(program);
    for (int k = i + 1; k < argc; ++k) {
        commandLine += L" " + Quote(argv[k]);
    }

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
        started = CreateProcessAsUserW(linked.LinkedToken, program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                       0, nullptr, nullptr, &startup, &process);
        CloseHandle(linked.LinkedToken);
    } else {
        started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                 &startup, &process);
    }
    if (!started) {
        return Fail("CreateProcess");
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!rcFile.empty()) {
        FILE* file = _wfopen(rcFile.c_str(), L"w");
        if (file != nullptr) {
            std::fprintf(file, "%lu\n", static_cast<unsigned long>(code));
            std::fclose(file);
        }
    }
    return code == 0 ? 0 : 1;
}
