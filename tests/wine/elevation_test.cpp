// The account and elevation checks and the elevated copy under Wine, where every process is
// elevated and a limited one can be started with the linked token.
//
// This program is also its own elevated copy: started with "-p" or "-pv" it records its argument
// and elevation and ends with the exit code it is told to, so RunElevatedCopy can be watched from
// both sides. The real installer is driven too, from a limited process, to see its guard.
#include <gtest/gtest.h>

#include "core/win.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/state.h"
#include "core/text.h"
#include "driver/elevation.h"

namespace orbalt {
namespace {

constexpr wchar_t kCopyRecordVariable[] = L"ORBALT_TEST_COPY_RECORD";
constexpr wchar_t kCopyExitVariable[] = L"ORBALT_TEST_COPY_EXIT";

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
    return std::wstring(buffer, length < 1024 ? length : 0);
}

std::wstring TempPath(const std::wstring& name) {
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::string ReadFile(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::wstring OwnPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::string Record(const std::wstring& text) {
    return "|LOG|: " + ToUtf8(text) + "\r\n";
}

// Starts a program, elevated like its parent or with the linked limited token.
UniqueHandle Start(const std::wstring& program, const std::wstring& arguments, bool limited) {
    std::wstring commandLine = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    BOOL started = FALSE;
    if (limited) {
        HANDLE raw = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
            return {};
        }
        UniqueHandle token(raw);
        TOKEN_LINKED_TOKEN linked{};
        DWORD size = 0;
        if (!GetTokenInformation(token.get(), TokenLinkedToken, &linked, sizeof(linked), &size)) {
            return {};
        }
        UniqueHandle linkedToken(linked.LinkedToken);
        started = CreateProcessAsUserW(linkedToken.get(), program.c_str(), commandLine.data(), nullptr,
                                       nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    } else {
        started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process);
    }
    if (!started) {
        return {};
    }
    CloseHandle(process.hThread);
    return UniqueHandle(process.hProcess);
}

// Waits at most the given time; the exit code, or empty on time-out (the process is then ended).
std::optional<DWORD> Finish(const UniqueHandle& process, DWORD milliseconds) {
    if (WaitForSingleObject(process.get(), milliseconds) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 999);
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

// The command line another process was started with, read from its process parameters.
std::wstring CommandLineOf(DWORD processId) {
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    PROCESS_BASIC_INFORMATION basic{};
    if (!process || NtQueryInformationProcess(process.get(), ProcessBasicInformation, &basic, sizeof(basic),
                                              nullptr) != 0) {
        return {};
    }
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (!ReadProcessMemory(process.get(), basic.PebBaseAddress, &peb, sizeof(peb), nullptr) ||
        !ReadProcessMemory(process.get(), peb.ProcessParameters, &parameters, sizeof(parameters), nullptr)) {
        return {};
    }
    std::wstring text(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!ReadProcessMemory(process.get(), parameters.CommandLine.Buffer, text.data(),
                           parameters.CommandLine.Length, nullptr)) {
        return {};
    }
    return text;
}

std::vector<PROCESSENTRY32W> Processes() {
    std::vector<PROCESSENTRY32W> list;
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        list.push_back(entry);
    }
    return list;
}

std::optional<DWORD> ParentIdOf(DWORD processId) {
    for (const PROCESSENTRY32W& entry : Processes()) {
        if (entry.th32ProcessID == processId) {
            return entry.th32ParentProcessID;
        }
    }
    return std::nullopt;
}

std::vector<DWORD> ProcessesNamed(const std::wstring& exeName) {
    std::vector<DWORD> ids;
    for (const PROCESSENTRY32W& entry : Processes()) {
        if (CompareStringOrdinal(entry.szExeFile, -1, exeName.c_str(), -1, TRUE) == CSTR_EQUAL) {
            ids.push_back(entry.th32ProcessID);
        }
    }
    return ids;
}

int CountProcesses(const std::wstring& exeName) {
    return static_cast<int>(ProcessesNamed(exeName).size());
}

// Ends every process of that name: without the guard, a chain of copies would outlive the test.
// New copies may start while the old ones are ended, so this goes on until none is left.
void EndAll(const std::wstring& exeName) {
    for (int pass = 0; pass < 100 && CountProcesses(exeName) > 0; ++pass) {
        for (DWORD id : ProcessesNamed(exeName)) {
            TerminateProcess(UniqueHandle(OpenProcess(PROCESS_TERMINATE, FALSE, id)).get(), 999);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

TEST(Accounts, WineUserIsNotLocalSystemAndTokensAnswer) {
    bool system = true;
    EXPECT_NO_THROW(system = IsRunningAsSystem());
    EXPECT_FALSE(system);
    EXPECT_TRUE(IsTokenElevated()); // every Wine process is elevated

    // The same questions from a limited child, which answers through its exit code.
    UniqueHandle child = Start(OwnPath(), L"--report-account", true);
    ASSERT_TRUE(child);
    EXPECT_EQ(Finish(child, 30000), 0u) << "1: elevated, 2: LocalSystem, 100: a query raised";
}

TEST(ParentLookup, FindsTheStartingProgram) {
    // A child of this program finds this program's file as its parent (exit 0)...
    UniqueHandle child = Start(OwnPath(), L"--report-parent", false);
    ASSERT_TRUE(child);
    EXPECT_EQ(Finish(child, 30000), 0u);
    // ...and one started through the command interpreter does not (exit 1).
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    UniqueHandle indirect =
        Start(std::wstring(system) + L"\\cmd.exe", L"/c \"\"" + OwnPath() + L"\" --report-parent\"", false);
    ASSERT_TRUE(indirect);
    EXPECT_EQ(Finish(indirect, 30000), 1u);
}

class ElevatedCopy : public testing::Test {
protected:
    void SetUp() override {
        log_ = TempPath(L"orbalt-elevation-test.log");
        record_ = TempPath(L"orbalt-elevation-copy.txt");
        DeleteFileW(log_.c_str());
        DeleteFileW(record_.c_str());
        InstallerLog = log_;
        SetEnvironmentVariableW(kCopyRecordVariable, record_.c_str());
    }
    void TearDown() override {
        InstallerLog.clear();
        OutputMode = Mode::Gui;
        ProvisionMode = false;
        SetEnvironmentVariableW(kCopyRecordVariable, nullptr);
        SetEnvironmentVariableW(kCopyExitVariable, nullptr);
        DeleteFileW(log_.c_str());
        DeleteFileW(record_.c_str());
    }
    std::wstring log_;
    std::wstring record_;
};

TEST_F(ElevatedCopy, ArgumentPerModeLinesAndExitCode) {
    struct Case {
        Mode mode;
        const char* argument;
        const wchar_t* exitCode;
        std::uint32_t expected;
    };
    for (const Case& c :
         {Case{Mode::Gui, "-p", L"0", 0u}, Case{Mode::Verbose, "-pv", L"3221225477", 3221225477u},
          Case{Mode::Silent, "-pv", L"2", 2u}}) {
        SCOPED_TRACE(c.argument);
        DeleteFileW(log_.c_str());
        DeleteFileW(record_.c_str());
        OutputMode = c.mode;
        SetEnvironmentVariableW(kCopyExitVariable, c.exitCode);

        ElevationOutcome outcome = RunElevatedCopy();
        EXPECT_EQ(outcome.result, ElevationResult::Finished);
        EXPECT_EQ(outcome.exitCode, c.expected);
        // The copy saw exactly one argument, and ran elevated ("runas" from an elevated process).
        EXPECT_EQ(ReadFile(record_), std::string(c.argument) + " elevated=1");
        EXPECT_EQ(
            ReadFile(log_),
            Record(L"Self-elevating EXE at '" + OwnPath() + L"' with args " + FromUtf8(c.argument)) +
                Record(
                    L"Note! Installer logs will not be here! Look under the temp folder within the account "
                    L"that ran the installer.") +
                Record(L"Self-elevated EXE exited with code " + FromUtf8(std::to_string(c.expected))));
    }
}

TEST_F(ElevatedCopy, CopyStartedByThisProgramDoesNotStartAnother) {
    // The child runs with the provision option and this program as its parent: the guard must
    // answer NotStarted (exit 10) without starting a copy (which would answer 12 and leave a record).
    SetEnvironmentVariableW(kCopyExitVariable, L"0");
    UniqueHandle child = Start(OwnPath(), L"--guarded-run " + log_, false);
    ASSERT_TRUE(child);
    EXPECT_EQ(Finish(child, 30000), 10u);
    EXPECT_EQ(ReadFile(log_), Record(kStillNotElevatedLine));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(record_)));
}

// The real installer from a limited process in Gui mode: its copy gets "-p", is still limited,
// stops at the guard and shows "Self Elevation Error"; the parent relays the exit code 1.
TEST(RealInstaller, LimitedGuiRunStopsInTheCopy) {
    std::wstring installer = L"Z:" + FromUtf8(ORBALT_INSTALLER_PATH);
    for (wchar_t& c : installer) {
        c = c == L'/' ? L'\\' : c;
    }
    const std::wstring log = TempPath(L"Tessaly Installer Temp\\Installer.log");
    ASSERT_EQ(CountProcesses(L"Orbalt.exe"), 0) << "another installer is running in this prefix";
    UniqueHandle parent = Start(installer, L"", true);
    ASSERT_TRUE(parent);
    const DWORD parentId = GetProcessId(parent.get());

    // Wait for the copy's notice (a message box); it belongs to the copy, not to the parent.
    HWND box = nullptr;
    for (int i = 0; i < 300 && box == nullptr; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        box = FindWindowW(L"#32770", L"Self Elevation Error");
    }
    if (box == nullptr) {
        EndAll(L"Orbalt.exe");
        FAIL() << "no Self Elevation Error notice within 30 s";
    }
    DWORD copyId = 0;
    GetWindowThreadProcessId(box, &copyId);
    EXPECT_EQ(ParentIdOf(copyId), parentId);
    const std::wstring copyCommandLine = CommandLineOf(copyId);
    EXPECT_EQ(copyCommandLine, L"\"" + installer + L"\" -p");
    EXPECT_EQ(CountProcesses(L"Orbalt.exe"), 2);

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    std::optional<DWORD> code = Finish(parent, 30000);
    EXPECT_EQ(code, 1u);
    EXPECT_EQ(CountProcesses(L"Orbalt.exe"), 0);
    EndAll(L"Orbalt.exe");
    // The copy deleted the parent's first lines when it started; the parent's last line follows
    // the copy's own records.
    const std::string text = ReadFile(log);
    EXPECT_NE(
        text.find(Record(kStillNotElevatedLine) +
                  "|ERROR|: Self Elevation Error - Reason: An error occurred while self elevating the Orbalt "
                  "installer.\r\n"),
        std::string::npos)
        << text;
    EXPECT_TRUE(text.ends_with(Record(L"Self-elevated EXE exited with code 1"))) << text;
    EXPECT_EQ(text.find("Self-elevating EXE"), std::string::npos) << text;
}

// The modes in which this program acts as a child of the tests above.
int RunChild(int argc, wchar_t** argv) {
    const std::wstring mode = argv[1];
    if (mode == L"-p" || mode == L"-pv") {
        std::ofstream(std::filesystem::path(Environment(kCopyRecordVariable)), std::ios::binary)
            << ToUtf8(mode) << (argc == 2 ? "" : " +more") << " elevated=" << (IsTokenElevated() ? 1 : 0);
        return static_cast<int>(std::wcstoul(Environment(kCopyExitVariable).c_str(), nullptr, 10));
    }
    if (mode == L"--report-account") {
        try {
            return (IsTokenElevated() ? 1 : 0) + (IsRunningAsSystem() ? 2 : 0);
        } catch (const HResultError&) {
            return 100;
        }
    }
    if (mode == L"--report-parent") {
        std::optional<ParentProcess> parent = FindParentProcess();
        return parent && IsSameExecutable(IdentifyExecutable(OwnPath()), parent->image) &&
                       parent->creationTime <= CurrentProcessCreationTime()
                   ? 0
                   : 1;
    }
    if (mode == L"--guarded-run" && argc == 3) {
        InstallerLog = argv[2];
        ProvisionMode = true;
        OutputMode = Mode::Silent;
        return 10 + static_cast<int>(RunElevatedCopy().result);
    }
    return -1;
}

} // namespace
} // namespace orbalt

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2) {
        const std::wstring first = argv[1];
        for (const wchar_t* mode :
             {L"-p", L"-pv", L"--report-account", L"--report-parent", L"--guarded-run"}) {
            if (first == mode) {
                return orbalt::RunChild(argc, argv);
            }
        }
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
