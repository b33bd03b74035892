// RegisterPackage, which only a run whose elevated copy succeeded calls: Wine's "runas" copy is
// never elevated, so no end-to-end run gets there. Driven through combase's real activation of the
// simulated deployment service (tests/fakes/deployment-service), judged by its journal and our log.
#include <gtest/gtest.h>

#include <objbase.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/state.h"
#include "deployment/deployment.h"
#include "reporting/reporting.h"

namespace orbalt {
namespace {

std::wstring Folder() {
    wchar_t buffer[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, buffer);
    return std::wstring(buffer) + L"orbalt-registration-test\\";
}

std::string Read(const std::wstring& path) {
    std::ostringstream text;
    text << std::ifstream(path.c_str(), std::ios::binary).rdbuf();
    return text.str();
}

TEST(Registration, PassesTheFullNameAndItsOptionsAndJudgesTheExtendedCode) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    CreateDirectoryW(Folder().c_str(), nullptr);
    const std::wstring journal = Folder() + L"journal.txt";
    SetEnvironmentVariableW(L"ORBALT_FAKE_SCENARIO", (Folder() + L"scenario.txt").c_str());
    SetEnvironmentVariableW(L"ORBALT_FAKE_JOURNAL", journal.c_str());
    std::ofstream((Folder() + L"scenario.txt").c_str(), std::ios::binary)
        << "deploy\tRegisterPackageByFullNameAsync\tBusy\t3\t0x80073CF9\t0x80073D25\t1\t0\tx\n";
    OutputMode = Mode::Silent;
    SetEnvironmentVariableW(L"TMP", Folder().c_str());
    StartReporting(GetModuleHandleW(nullptr), true);
    DeleteFileW(journal.c_str());

    std::wstring errorText = L"Unknown Error";
    EXPECT_TRUE(RegisterPackage(L"Good_1.0.0.0_x64__awjp7x5cka7re", errorText));
    EXPECT_EQ(errorText, L"Unknown Error");
    // Only the extended code says "another user": a late operation, awaited through its handler.
    EXPECT_FALSE(RegisterPackage(L"Busy_1.0.0.0_x64__awjp7x5cka7re", errorText));

    const std::string calls = Read(journal);
    EXPECT_NE(
        calls.find("PackageManager2.RegisterPackageByFullNameAsync name=\"Good_1.0.0.0_x64__awjp7x5cka7re\" "
                   "dependencies=null options=1 -> op1 (early)\nop1.GetResults\n"),
        std::string::npos)
        << calls;
    EXPECT_NE(calls.find("op2.put_Completed\nop2.completed status=3 (handler invoked)\nop2.GetResults\n"),
              std::string::npos)
        << calls;
    EXPECT_EQ(Read(InstallerLog),
              "|LOG|: [Package Registrar] Preparing to register package for user...\r\n"
              "|LOG|: [Package Registrar] Package successfully registered!\r\n"
              "|LOG|: [Package Registrar] Preparing to register package for user...\r\n"
              "|LOG|: [Package Registrar] Another user is logged in, cannot register package.\r\n");
}

} // namespace
} // namespace orbalt
