// Wall time of runs of a program, from CreateProcessW to its exit or, with --window CLASS, to a
// visible top-level window of that class of the new process (which is then ended), measured inside
// the Windows side so that the Unix-side start of Wine itself is not counted. Prints the median,
// minimum and maximum in milliseconds and the last exit code.
//   process_time_bench.exe [--window CLASS] RUNS PROGRAM [ARGS...]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD processId;
    const wchar_t* windowClass;
    bool found = false;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    search->found =
        owner == search->processId && std::wstring(name) == search->windowClass && IsWindowVisible(window);
    return !search->found;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* windowClass = argc > 2 && std::wstring(argv[1]) == L"--window" ? argv[2] : nullptr;
    const int first = windowClass != nullptr ? 3 : 1; // the RUNS argument
    if (argc < first + 2) {
        std::fprintf(stderr, "usage: process_time_bench.exe [--window CLASS] RUNS PROGRAM [ARGS...]\n");
        return 2;
    }
    const wchar_t* program = argv[first + 1];
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\"";
    for (int i = first + 2; i < argc; ++i) {
        commandLine += L" ";
        commandLine += argv[i];
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    DWORD exitCode = 0;
    for (int i = 0; i < _wtoi(argv[first]); ++i) {
        std::wstring line = commandLine;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        if (!CreateProcessW(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            std::fprintf(stderr, "cannot start the program (%lu)\n", GetLastError());
            return 1;
        }
        if (windowClass != nullptr) {
            Search search{process.dwProcessId, windowClass};
            do {
                Sleep(1);
                EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
                QueryPerformanceCounter(&end);
            } while (!search.found && end.QuadPart - start.QuadPart < frequency.QuadPart * 10);
            TerminateProcess(process.hProcess, 0);
            if (!search.found) {
                std::fprintf(stderr, "run %d: no window within 10 s\n", i + 1);
                return 1;
            }
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        if (windowClass == nullptr) {
            QueryPerformanceCounter(&end);
        }
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        times.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                        static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2.0;
    std::printf("%s median=%.1f min=%.1f max=%.1f runs=%zu exit=%lu\n",
                windowClass ? "window_start_ms" : "process_ms", median, times.front(), times.back(), n,
                exitCode);
    return 0;
}
