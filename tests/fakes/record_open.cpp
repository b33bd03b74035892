// Stands in for the programs that can open Installer.log for the user in end-to-end runs (the
// .log association, and Notepad of the system folder): it appends its own file name and the path
// it was asked to open to C:\orbalt-test\opened.txt and ends at once, so tests see whether, how
// and what the installer opened.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    CreateDirectoryW(L"C:\\orbalt-test", nullptr);
    FILE* journal = _wfopen(L"C:\\orbalt-test\\opened.txt", L"a");
    if (journal == nullptr) {
        return 1;
    }
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const wchar_t* name = std::wcsrchr(self, L'\\');
    std::fwprintf(journal, L"%ls", name != nullptr ? name + 1 : self);
    for (int i = 1; i < argc; ++i) {
        std::fwprintf(journal, L" %ls", argv[i]);
    }
    std::fwprintf(journal, L"\n");
    std::fclose(journal);
    return 0;
}
