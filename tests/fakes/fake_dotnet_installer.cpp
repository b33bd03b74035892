// Stands in for the .NET Desktop Runtime installer in tests. Its exit code comes from
// ORBALT_FAKE_DOTNET_EXIT (decimal or 0x hex; 0 when unset). It appends "dotnet-installer" and
// its command line to the simulated deployment service's journal (ORBALT_FAKE_JOURNAL, else
// C:\orbalt-fake\journal.txt), so one journal holds every outside call in order.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[4096] = {};
    DWORD size = GetEnvironmentVariableW(name, value, 4096);
    return size > 0 && size < 4096 ? value : L"";
}

void Append(const std::wstring& path, const std::wstring& text) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    std::wstring line = text + L"\n";
    char bytes[8192];
    int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes,
                                   sizeof(bytes), nullptr, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

} // namespace

int main() {
    std::wstring journal = Environment(L"ORBALT_FAKE_JOURNAL");
    Append(journal.empty() ? L"C:\\orbalt-fake\\journal.txt" : journal,
           std::wstring(L"dotnet-installer ") + GetCommandLineW());
    std::wstring exit = Environment(L"ORBALT_FAKE_DOTNET_EXIT");
    auto code = static_cast<UINT>(exit.empty() ? 0 : std::wcstoul(exit.c_str(), nullptr, 0));
    ExitProcess(code);
}
