// Stands in for the .NET Desktop Runtime installer in tests. Its exit code comes from
// ORBALT_FAKE_DOTNET_EXIT (decimal or 0x hex; 0 when unset). It appends "dotnet-installer" and
// its command line to the simulated deployment service's journal (ORBALT_FAKE_JOURNAL, else
// C:\orbalt-fake\journal.txt), so one journal holds every outside call in order. When it
// succeeds and ORBALT_FAKE_DOTNET_ROOT names a folder, it lays out a .NET 8.0.8 tree there, as the
// real one would, so that a later check finds the runtime.
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

void MakeFolders(std::wstring path) {
    for (std::size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == L'\\') {
            CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
        }
    }
}

void LayOutRuntime(const std::wstring& root) {
    MakeFolders(root + L"\\host\\fxr\\8.0.8");
    Append(root + L"\\host\\fxr\\8.0.8\\hostfxr.dll", L"");
    MakeFolders(root + L"\\shared\\Microsoft.NETCore.App\\8.0.8");
    MakeFolders(root + L"\\shared\\Microsoft.WindowsDesktop.App\\8.0.8");
}

} // namespace

int main() {
    std::wstring journal = Environment(L"ORBALT_FAKE_JOURNAL");
    Append(journal.empty() ? L"C:\\orbalt-fake\\journal.txt" : journal,
           std::wstring(L"dotnet-installer ") + GetCommandLineW());
    std::wstring exit = Environment(L"ORBALT_FAKE_DOTNET_EXIT");
    auto code = static_cast<UINT>(exit.empty() ? 0 : std::wcstoul(exit.c_str(), nullptr, 0));
    std::wstring root = Environment(L"ORBALT_FAKE_DOTNET_ROOT");
    if (code == 0 && !root.empty()) {
        LayOutRuntime(root);
    }
    ExitProcess(code);
}
