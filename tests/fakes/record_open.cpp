// Stands in for the program Windows opens Installer.log with: it appends the path it was asked
// to open to C:\orbalt-test\opened.txt and ends at once, so tests see whether the log was opened.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    CreateDirectoryW(L"C:\\orbalt-test", nullptr);
    FILE* journal = _wfopen(L"C:\\orbalt-test\\opened.txt", L"a");
    if (journal == nullptr) {
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        std::fwprintf(journal, L"%ls%ls", i > 1 ? L" " : L"", argv[i]);
    }
    std::fwprintf(journal, L"\n");
    std::fclose(journal);
    return 0;
}
