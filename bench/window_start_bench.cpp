// Time from process start to the status window being up (created, visible), over repeated runs
// of the real installer. Prints the median, minimum and maximum in milliseconds.
//   window_start_bench.exe INSTALLER RUNS
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD processId;
    bool found = false;
};

BOOL CALLBACK FindStatusWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner == search->processId && std::wstring(name) == L"Orbalt Installer" && IsWindowVisible(window)) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_start_bench.exe INSTALLER RUNS\n");
        return 2;
    }
    std::wstring installer = argv[1];
    int runs = _wtoi(argv[2]);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        std::wstring commandLine = L"\"" + installer + L"\" -g";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        LARGE_INTEGER start, now;
        QueryPerformanceCounter(&start);
        if (!CreateProcessW(installer.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process)) {
            std::fprintf(stderr, "cannot start the installer (%lu)\n", GetLastError());
            return 1;
        }
        Search search{process.dwProcessId};
        do {
            Sleep(1);
            EnumWindows(FindStatusWindow, reinterpret_cast<LPARAM>(&search));
            QueryPerformanceCounter(&now);
        } while (!search.found && (now.QuadPart - start.QuadPart) < frequency.QuadPart * 10);
        double ms = static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (!search.found) {
            std::fprintf(stderr, "run %d: no window within 10 s\n", i + 1);
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    double median = times.size() % 2 ? times[times.size() / 2]
                                     : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2.0;
    std::printf("window_start_ms median=%.1f min=%.1f max=%.1f runs=%zu\n", median, times.front(), times.back(),
                times.size());
    return 0;
}
