// Helpers shared by the prerequisites tests under Wine: a private temporary folder, the log read
// back as lines, a stand-in status window that records what it is shown, and small file tools.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/state.h"
#include "core/text.h"
#include "reporting/reporting.h"
#include "window/status_window.h"

namespace orbalt::test {

// A build-tree path as Wine sees it (the Unix root is drive Z:).
inline std::wstring WinePath(const std::string& unixPath) {
    std::wstring path = L"Z:" + FromUtf8(unixPath);
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

inline std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file << bytes;
}

inline void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring child = path + L"\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
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

// Takes the place of the status window in Gui mode: the status texts that SetStatusText sends
// arrive here, on this same thread.
class StatusRecorder {
public:
    StatusRecorder() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"OrbaltTestStatusRecorder";
        RegisterClassW(&windowClass);
        record_.window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                         nullptr, windowClass.hInstance, nullptr);
        record_.state.store(StatusWindowState::Created);
        current_ = this;
        OutputMode = Mode::Gui;
        StatusWindow = &record_;
    }
    ~StatusRecorder() {
        StatusWindow = nullptr;
        current_ = nullptr;
        DestroyWindow(record_.window);
    }
    StatusRecorder(const StatusRecorder&) = delete;
    StatusRecorder& operator=(const StatusRecorder&) = delete;

    std::vector<std::wstring> texts;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_SETSTATUSTEXT && current_ != nullptr) {
            current_->texts.emplace_back(reinterpret_cast<const wchar_t*>(lParam));
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    static inline StatusRecorder* current_ = nullptr;
    StatusWindowRecord record_;
};

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
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = ~0u;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

} // namespace orbalt::test
