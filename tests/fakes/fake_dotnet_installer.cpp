// Stands in for the .NET Desktop Runtime installer in tests. Its exit code comes from
// ORBALT_FAKE_DOTNET_EXIT (decimal or 0x hex; 0 when unset). It journals "dotnet-installer" and
// its command line in the simulated deployment service's journal, so one journal holds every
// outside call in order, and says so when it was given a console window the user would see, a
// TEMP outside the folder it was started in (the run's working folder) or a variable of .NET's.
//
// With ORBALT_FAKE_ATTACK set to a victim folder it also plays a program that a user runs while
// the elevated run is under way: it tries to swap the installer's temp folder (under the user's
// TEMP, ORBALT_FAKE_USER_TEMP) for a link to the victim folder, and plants decoys (copies of itself) where
// the framework package and the checker would be; the journal says what it managed.
#include <cwchar>

#include "core/text.h"
#include "deployment-service/scenario.h"

namespace {

void Attack(const std::wstring& victim) {
    // The user's program sees the user's TEMP, which this child of the elevated run is not given.
    const std::wstring temp = fake::Setting(L"ORBALT_FAKE_USER_TEMP", L"") + L"\\Tessaly Installer Temp";
    if (MoveFileExW(temp.c_str(), (temp + L" (moved)").c_str(), 0)) {
        // Wine's CreateSymbolicLinkW makes nothing; a Unix link is a link to Wine as well.
        using UnixName = char*(CDECL*)(const wchar_t*);
        auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        std::wstring command = L"ln -s \"" + orbalt::FromUtf8(unixName(victim.c_str())) + L"\" \"" +
                               orbalt::FromUtf8(unixName(temp.c_str())) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        if (CreateProcessW(L"Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process)) {
            WaitForSingleObject(process.hProcess, INFINITE);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        fake::Journal(L"attack: the temp folder moved away, a link to the victim folder in its place");
    } else {
        fake::Journal(L"attack: the temp folder cannot be moved (error " + std::to_wstring(GetLastError()) +
                      L")");
    }
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (const wchar_t* decoy : {L"\\vclibs.appx", L"\\EXE_NETCORECHECK.EXE"}) {
        CopyFileW(self, (temp + decoy).c_str(), FALSE);
    }
}

// The run chose this program's environment: its TEMP is the working folder, and it sees nothing
// of .NET's that a user could have set.
void CheckEnvironment() {
    wchar_t temp[MAX_PATH + 1] = {}, current[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    GetCurrentDirectoryW(MAX_PATH + 1, current);
    if (_wcsicmp(temp, (std::wstring(current) + L"\\").c_str()) != 0) { // the current folder has no backslash
        fake::Journal(std::wstring(L"unexpected: the .NET installer's TEMP is ") + temp);
    }
    for (const wchar_t* name : {L"DOTNET_ROOT", L"DOTNET_ROOT_X64"}) {
        if (GetEnvironmentVariableW(name, nullptr, 0) != 0) {
            fake::Journal(std::wstring(L"unexpected: the .NET installer sees ") + name);
        }
    }
}

} // namespace

int main() {
    fake::Journal(std::wstring(L"dotnet-installer ") + GetCommandLineW() +
                  (GetConsoleWindow() != nullptr ? L" (in a console window)" : L""));
    CheckEnvironment();
    const std::wstring victim = fake::Setting(L"ORBALT_FAKE_ATTACK", L"");
    if (!victim.empty()) {
        Attack(victim);
    }
    const std::wstring exit = fake::Setting(L"ORBALT_FAKE_DOTNET_EXIT", L"0");
    ExitProcess(static_cast<UINT>(std::wcstoul(exit.c_str(), nullptr, 0)));
}
