// ExtractResource on a payload of the installer's real size against a plain copy of the same
// bytes on the same disk, and the process's memory against the payload: extraction must write
// straight from the mapped resource, never from a second copy in memory.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <string>

#include "prerequisites/prerequisites.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}

} // namespace

int main() {
    using namespace orbalt;
    HRSRC resource = FindResourceW(nullptr, L"BENCH_PAYLOAD", L"MSIX");
    if (resource == nullptr) {
        std::fprintf(stderr, "no payload resource\n");
        return 1;
    }
    const double payloadMiB = SizeofResource(nullptr, resource) / 1048576.0;
    PROCESS_MEMORY_COUNTERS before = Memory();

    LARGE_INTEGER t0, t1, t2;
    QueryPerformanceCounter(&t0);
    std::wstring path = ExtractResource(L"BENCH_PAYLOAD", L"MSIX");
    QueryPerformanceCounter(&t1);
    PROCESS_MEMORY_COUNTERS after = Memory();
    std::wstring copy = path + L".copy";
    CopyFileW(path.c_str(), copy.c_str(), FALSE);
    QueryPerformanceCounter(&t2);

    const double extract = Seconds(t0, t1), plainCopy = Seconds(t1, t2);
    std::printf("payload_mib=%.1f extract_s=%.3f copy_s=%.3f ratio=%.2f\n", payloadMiB, extract, plainCopy,
                extract / plainCopy);
    // Private memory (commit) is what a second copy of the payload would show up in; the
    // working set also counts the mapped image pages of the resource itself.
    // The figures before extraction show what the loaded image itself costs.
    std::printf(
        "private_growth_mib=%.1f peak_private_mib=%.1f peak_working_set_mib=%.1f private_before_mib=%.1f "
        "working_set_before_mib=%.1f\n",
        (static_cast<double>(after.PeakPagefileUsage) - static_cast<double>(before.PeakPagefileUsage)) /
            1048576.0,
        after.PeakPagefileUsage / 1048576.0, after.PeakWorkingSetSize / 1048576.0,
        before.PagefileUsage / 1048576.0, before.WorkingSetSize / 1048576.0);
    RemoveWorkFolder(); // the extracted file and its copy with it
    return 0;
}
