// dotnet-check: exits 0 when an installed shared framework satisfies a minimum version under the
// .NET host's default roll-forward rule. Run as: [name] -N <framework> -v <version>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework_resolution.h"

using namespace orbalt::dotnet_check;

namespace {

// A REG_SZ value under HKEY_LOCAL_MACHINE, in the given registry view; empty when missing.
std::wstring MachineValue(const wchar_t* key, const wchar_t* name, REGSAM view) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, &opened) != ERROR_SUCCESS) {
        return L"";
    }
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    LONG status = RegQueryValueExW(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS || type != REG_SZ) {
        return L"";
    }
    return buffer;
}

std::vector<std::wstring> SubFolders(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(JoinPath(folder, L"*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        std::wstring name = entry.cFileName;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return names;
}

bool IsFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The host needs its resolver, host\fxr\<version>\hostfxr.dll, to run anything from this root.
bool HasHostResolver(const std::wstring& root) {
    std::wstring fxr = JoinPath(JoinPath(root, L"host"), L"fxr");
    for (const std::wstring& version : SubFolders(fxr)) {
        if (IsFile(JoinPath(JoinPath(fxr, version), L"hostfxr.dll"))) {
            return true;
        }
    }
    return false;
}

std::string ReadSmallFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "";
    }
    std::string text(1 << 16, '\0');
    DWORD read = 0;
    if (!ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) {
        read = 0;
    }
    CloseHandle(file);
    text.resize(read);
    return text;
}

} // namespace

int main() {
    auto request = ParseCommandLine(GetCommandLineW());
    if (!request) {
        return kInvalidArguments;
    }
    // Installers record the x64 root in the 32-bit registry view, whatever the architecture. The
    // Program Files folder is the machine's too, not a ProgramFiles variable a user could set.
    std::wstring root = ChooseDotNetRoot(
        MachineValue(L"SOFTWARE\\dotnet\\Setup\\InstalledVersions\\x64", L"InstallLocation", KEY_WOW64_32KEY),
        MachineValue(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir", KEY_WOW64_64KEY));
    if (root.empty() || !HasHostResolver(root)) {
        return kNoRuntimeFound;
    }
    return Resolves(root, *request, {SubFolders, ReadSmallFile}) ? kInstalled : kNotInstalled;
}
