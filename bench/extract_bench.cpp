// ExtractResource on a large payload against a plain copy of the same bytes on the same disk, and
// the process's memory against the payload. Extraction must write straight from the mapped
// resource: a second copy in memory, kept or freed before it returns, fails the run (exit code 1),
// which makes this program a Wine test as well as a benchmark.
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
    const DWORD size = SizeofResource(nullptr, resource);
    const double payloadMiB = size / 1048576.0;
    // Every page of the payload read once, so that the working set counts the image before as after
    // (Wine maps some images and reads others into memory): what extraction adds to its peak is
    // then memory of its own.
    const volatile unsigned char* pages =
        static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, resource)));
    for (DWORD offset = 0; offset < size; offset += 4096) {
        pages[offset];
    }
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
    const double peakGrowth =
        (static_cast<double>(after.PeakWorkingSetSize) - static_cast<double>(before.PeakWorkingSetSize)) / 1048576.0;
    if (peakGrowth > payloadMiB / 2) {
        std::fprintf(stderr, "a second copy of the payload: extraction raised the peak working set by %.1f MiB\n",
                     peakGrowth);
        return 1;
    }
    return 0;
}
