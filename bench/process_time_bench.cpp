// Wall time of whole runs of a program, from CreateProcessW to its exit, measured inside the
// Windows side so that the Unix-side start of Wine itself is not counted. Prints the median,
// minimum and maximum in milliseconds and the last exit code.
//   process_time_bench.exe RUNS PROGRAM [ARGS...]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: process_time_bench.exe RUNS PROGRAM [ARGS...]\n");
        return 2;
    }
    const int runs = _wtoi(argv[1]);
    std::wstring commandLine = L"\"" + std::wstring(argv[2]) + L"\"";
    for (int i = 3; i < argc; ++i) {
        commandLine += L" ";
        commandLine += argv[i];
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    DWORD exitCode = 0;
    for (int i = 0; i < runs; ++i) {
        std::wstring line = commandLine;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        if (!CreateProcessW(argv[2], line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            std::fprintf(stderr, "cannot start the program (%lu)\n", GetLastError());
            return 1;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        QueryPerformanceCounter(&end);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        times.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                        static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2.0;
    std::printf("process_ms median=%.1f min=%.1f max=%.1f runs=%zu exit=%lu\n", median, times.front(),
                times.back(), n, exitCode);
    return 0;
}
