// A child for process-runner tests: writes its whole command line, exactly as it got it, to the
// file named by ORBALT_RECORD_FILE (UTF-16 code units, no terminator), then exits with the number
// after "exit=" in that command line (decimal; 0 without one).
#include <windows.h>

#include <cwchar>

int main() {
    const wchar_t* line = GetCommandLineW();
    wchar_t path[1024] = {};
    DWORD size = GetEnvironmentVariableW(L"ORBALT_RECORD_FILE", path, 1024);
    if (size > 0 && size < 1024) {
        HANDLE file =
            CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line, static_cast<DWORD>(std::wcslen(line) * sizeof(wchar_t)), &written, nullptr);
            CloseHandle(file);
        }
    }
    const wchar_t* exit = std::wcsstr(line, L"exit=");
    ExitProcess(exit != nullptr ? static_cast<UINT>(std::wcstoul(exit + 5, nullptr, 10)) : 0);
}
