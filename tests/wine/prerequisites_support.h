// Helpers shared by the prerequisites tests under Wine: a private temporary folder, the log read
// back as lines, and small file and process tools.
#pragma once

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/state.h"
#include "core/text.h"
#include "core/win.h"
#include "reporting/reporting.h"

namespace orbalt::test {

// A build-tree path as Wine sees it (the Unix root is drive Z:).
inline std::wstring WinePath(const std::string& unixPath) {
    std::wstring path = L"Z:" + FromUtf8(unixPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

inline std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc) << bytes;
}

inline void RemoveTree(const std::wstring& path) {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path), ignored);
}

// Wine answers a few calls unlike Windows; tests that meet one check Wine's answer there.
inline bool RunningOnWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

inline bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Gives this test program a temporary folder of its own (TempFolder lives below it), so that
// programs running side by side in the prefix do not share downloads or logs, and a fresh log.
inline void UsePrivateTempFolder(const std::wstring& name) {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    std::wstring folder = std::wstring(base);
    if (folder.find(name) == std::wstring::npos) {
        folder += name + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        SetEnvironmentVariableW(L"TMP", folder.c_str());
        SetEnvironmentVariableW(L"TEMP", folder.c_str());
    }
    InstallerLog = GetTempFolder() + L"Installer.log";
    DeleteFileW(InstallerLog.c_str());
}

// The records of Installer.log without their "|LOG|: " prefix and line ends.
inline std::vector<std::string> LogLines() {
    std::istringstream text(ReadBytes(InstallerLog));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.rfind("|LOG|: ", 0) == 0) {
            line = line.substr(7);
        }
        lines.push_back(line);
    }
    return lines;
}

inline void ClearLog() {
    DeleteFileW(InstallerLog.c_str());
}

// Runs a program with the given whole command line and waits: its exit code, or ~0u when it
// could not be started.
inline DWORD RunAndWait(const std::wstring& program, std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process)) {
        return ~0u;
    }
    UniqueHandle child(process.hProcess), thread(process.hThread);
    WaitForSingleObject(child.get(), INFINITE);
    DWORD code = ~0u;
    GetExitCodeProcess(child.get(), &code);
    return code;
}

} // namespace orbalt::test
