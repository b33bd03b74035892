// Deployment operations and the launch, through combase's real activation of the simulated
// deployment service (tests/fakes/deployment-service), judged by its journal and our log.
#include <gtest/gtest.h>

#include <objbase.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/build_constants.h"
#include "core/error.h"
#include "core/state.h"
#include "core/text.h"
#include "deployment/deployment.h"
#include "launch/launch.h"

namespace orbalt {
namespace {

using Lines = std::vector<std::string>;

constexpr char kVcLibs[] = "Microsoft.VCLibs.140.00.UWPDesktop_8wekyb3d8bbwe";
constexpr wchar_t kPackagePath[] = L"C:\\Users\\Public\\Tessaly Installer Temp\\MSIX_ORBALT.MSIX";
constexpr char kPackagePathText[] = "C:\\Users\\Public\\Tessaly Installer Temp\\MSIX_ORBALT.MSIX";

std::wstring Folder() {
    wchar_t buffer[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, buffer);
    return std::wstring(buffer) + L"orbalt-deployment-test\\";
}

Lines ReadLines(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    Lines lines;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

class Deployment : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        CreateDirectoryW(Folder().c_str(), nullptr);
        SetEnvironmentVariableW(L"ORBALT_FAKE_SCENARIO", (Folder() + L"scenario.txt").c_str());
        SetEnvironmentVariableW(L"ORBALT_FAKE_JOURNAL", (Folder() + L"journal.txt").c_str());
        OutputMode = Mode::Silent; // notices go to the log only
        InstallerLog = Folder() + L"Installer.log";
    }

    void SetUp() override {
        DeleteFileW((Folder() + L"journal.txt").c_str());
        DeleteFileW(InstallerLog.c_str());
        Scenario("");
    }

    static void Scenario(const std::string& text) {
        std::ofstream(std::filesystem::path(Folder() + L"scenario.txt"), std::ios::binary) << text;
    }

    // The journal without the factory look-ups (combase's business) and with the operation
    // numbers blanked, so that whole sequences can be compared.
    static Lines Journal() {
        Lines calls;
        for (const std::string& line : ReadLines(Folder() + L"journal.txt")) {
            if (line.rfind("DllGetActivationFactory ", 0) != 0) {
                calls.push_back(std::regex_replace(line, std::regex("\\bop[0-9]+\\b"), "op"));
            }
        }
        return calls;
    }

    static Lines Log() { return ReadLines(InstallerLog); }
};

// ---- StagePackage -------------------------------------------------------------------------

TEST_F(Deployment, StageWaitsForALateCompletionThroughItsHandler) {
    Scenario("deploy StagePackageWithOptionsAsync status=completed timing=late\n");
    std::wstring errorText = L"Unknown Error";
    EXPECT_TRUE(StagePackage(kPackagePath, errorText));
    const Lines journal = Journal();
    ASSERT_EQ(journal.size(), 6u);
    EXPECT_TRUE(journal[2].ends_with("-> op (late)")) << journal[2];
    EXPECT_EQ(journal[3], "op.put_Completed");
    EXPECT_EQ(journal[4], "op.completed status=1 (handler invoked)");
    EXPECT_EQ(journal[5], "op.GetResults");
    EXPECT_EQ(Log().back(), "|LOG|: [Package Stager] Package successfully staged!");
}

TEST_F(Deployment, StageRecognisesAlreadyExistsOnlyInErrorCode) {
    Scenario(
        "deploy StagePackageWithOptionsAsync match=first status=error code=0x80073CFB text=ignored\n"
        "deploy StagePackageWithOptionsAsync match=second status=error code=0x80073D28 extended=0x80073CFB "
        "timing=late text=The package could not be staged.\n");
    std::wstring errorText = L"Unknown Error";
    EXPECT_TRUE(StagePackage(L"C:\\first.msix", errorText));
    EXPECT_EQ(errorText, L"Unknown Error");
    EXPECT_FALSE(StagePackage(L"C:\\second.msix", errorText));
    EXPECT_EQ(errorText, L"The package could not be staged.");
    EXPECT_EQ(Log(),
              (Lines{"|LOG|: [Package Stager] Preparing to stage package on the system...",
                     "|LOG|: [Package Stager] Package already staged!",
                     "|LOG|: [Package Stager] Preparing to stage package on the system...",
                     "|LOG|: [Package Stager] Failed to stage package! Error: The package could not be "
                     "staged."}));
}

TEST_F(Deployment, CanceledOperationRaisesWithoutAskingForResults) {
    Scenario("deploy StagePackageWithOptionsAsync status=canceled timing=late\n"
             "deploy AddPackageAsync status=canceled\n");
    std::wstring errorText = L"Unknown Error";
    for (bool late : {true, false}) {
        DeleteFileW((Folder() + L"journal.txt").c_str());
        try {
            late ? StagePackage(kPackagePath, errorText) : AddPackageForUser(kPackagePath, errorText, 0);
            ADD_FAILURE() << "no error raised";
        } catch (const HResultError& error) {
            EXPECT_EQ(static_cast<std::uint32_t>(error.code()), 0x800704C7u);
        }
        for (const std::string& line : Journal()) {
            EXPECT_EQ(line.find("GetResults"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(errorText, L"Unknown Error");
}

TEST_F(Deployment, FailingGetResultsIsRaised) {
    Scenario("deploy RegisterPackageByFullNameAsync status=error code=0x80073CF9 results=0x80004005\n");
    std::wstring errorText = L"Unknown Error";
    try {
        RegisterPackage(L"Tessaly.Orbalt_2.0.22.1414_x64__h7c2q0xw4ma9s", errorText);
        ADD_FAILURE() << "no error raised";
    } catch (const HResultError& error) {
        EXPECT_EQ(static_cast<std::uint32_t>(error.code()), 0x80004005u);
    }
    EXPECT_EQ(Log(), (Lines{"|LOG|: [Package Registrar] Preparing to register package for user..."}));
}

// ---- ProvisionPackage -----------------------------------------------------------------------

TEST_F(Deployment, ProvisionSkipsAFamilyProvisionedUnderAnotherCase) {
    Scenario("provisioned Other.App_1234567890abc\n"
             "provisioned TESSALY.ORBALT_H7C2Q0XW4MA9S\n"
             "provisioned Another.App_1234567890abc\n");
    std::wstring errorText = L"Unknown Error";
    EXPECT_TRUE(ProvisionPackage(L"Tessaly.Orbalt_h7c2q0xw4ma9s", errorText));
    EXPECT_EQ(errorText, L"Unknown Error");
    EXPECT_EQ(Journal(),
              (Lines{"PackageManager.ActivateInstance", "PackageManager9.FindProvisionedPackages"}));
    EXPECT_EQ(Log(), (Lines{"|LOG|: [Package Provisioner] Preparing to provision package on the system...",
                            "|LOG|: [Package Provisioner] Package is already provisioned!"}));
}

// ---- RegisterPackage ------------------------------------------------------------------------

TEST_F(Deployment, RegisterPassesItsOptionsAndJudgesBothCodes) {
    Scenario(
        "deploy RegisterPackageByFullNameAsync match=Exists status=error code=0x80073CF9 extended=0x80073CFB "
        "text=x\n"
        "deploy RegisterPackageByFullNameAsync match=Busy status=error code=0x80073CF9 extended=0x80073D25 "
        "timing=late text=x\n"
        "deploy RegisterPackageByFullNameAsync match=Admin status=error code=0x80073D28 text=x\n"
        "deploy RegisterPackageByFullNameAsync match=Broken status=error code=0x80073CF9 extended=0x80073CF9 "
        "text=Registration failed.\n");
    struct Case {
        const wchar_t* name;
        bool result;
        const wchar_t* errorText;
        const char* line;
    } cases[] = {
        {L"Good_1.0.0.0_x64__h7c2q0xw4ma9s", true, L"Unknown Error", "Package successfully registered!"},
        {L"Exists_1.0.0.0_x64__h7c2q0xw4ma9s", true, L"Unknown Error", "Package already registered!"},
        {L"Busy_1.0.0.0_x64__h7c2q0xw4ma9s", false,
         L"Orbalt cannot apply this update because another user is signed in with the app running. Please "
         L"sign out "
         L"all other users and try again.",
         "Another user is logged in, cannot register package."},
        {L"Admin_1.0.0.0_x64__h7c2q0xw4ma9s", true, L"Unknown Error",
         "Package did not register due to required admin privileges, but it should be staged and provisioned "
         "ready "
         "for launch."},
        {L"Broken_1.0.0.0_x64__h7c2q0xw4ma9s", false, L"Registration failed.",
         "Failed to register package! Error: Registration failed."},
    };
    for (const Case& c : cases) {
        DeleteFileW(InstallerLog.c_str());
        DeleteFileW((Folder() + L"journal.txt").c_str());
        std::wstring errorText = L"Unknown Error";
        EXPECT_EQ(RegisterPackage(c.name, errorText), c.result) << ToUtf8(c.name);
        EXPECT_EQ(errorText, c.errorText) << ToUtf8(c.name);
        EXPECT_EQ(Log(), (Lines{"|LOG|: [Package Registrar] Preparing to register package for user...",
                                std::string("|LOG|: [Package Registrar] ") + c.line}));
        const Lines journal = Journal();
        ASSERT_GE(journal.size(), 2u);
        EXPECT_EQ(journal[1].substr(0, journal[1].find(" -> ")),
                  "PackageManager2.RegisterPackageByFullNameAsync name=\"" + ToUtf8(c.name) +
                      "\" dependencies=null options=1");
    }
}

// ---- AddPackageForUser and InstallPackage ---------------------------------------------------------

TEST_F(Deployment, AddForUserLooksAtErrorCodeOnly) {
    Scenario(
        "deploy AddPackageAsync match=exists status=error code=0x80073CFB text=x\n"
        "deploy AddPackageAsync match=busy status=error code=0x80073D25 timing=late text=x\n"
        "deploy AddPackageAsync match=admin status=error code=0x80073D28 text=Needs an administrator.\n"
        "deploy AddPackageAsync match=extended status=error code=0x80073CF9 extended=0x80073D25 text=Busy "
        "elsewhere.\n"
        "deploy AddPackageAsync match=silent status=error code=0x80073CF9\n");
    struct Case {
        const wchar_t* path;
        bool result;
        const wchar_t* errorText;
        const char* line;
    } cases[] = {
        {L"C:\\ok.msix", true, L"Unknown Error", "Package successfully installed for the current user!"},
        {L"C:\\exists.msix", true, L"Unknown Error", "Package already installed for the current user!"},
        {L"C:\\busy.msix", false,
         L"Orbalt cannot apply this update because another user is signed in with the app running. Please "
         L"sign out "
         L"all other users and try again.",
         "Another user is logged in, cannot register package."},
        {L"C:\\admin.msix", false, L"Needs an administrator.",
         "Failed to add package for current user! Error: Needs an administrator."},
        {L"C:\\extended.msix", false, L"Busy elsewhere.",
         "Failed to add package for current user! Error: Busy elsewhere."},
        {L"C:\\silent.msix", false, L"", "Failed to add package for current user! Error: "},
    };
    for (const Case& c : cases) {
        DeleteFileW(InstallerLog.c_str());
        DeleteFileW((Folder() + L"journal.txt").c_str());
        std::wstring errorText = L"Unknown Error";
        EXPECT_EQ(AddPackageForUser(c.path, errorText, 64), c.result) << ToUtf8(c.path);
        EXPECT_EQ(errorText, c.errorText) << ToUtf8(c.path);
        EXPECT_EQ(Log(), (Lines{"|LOG|: [Package Add] Preparing to add package for the current user...",
                                std::string("|LOG|: [Package Add] ") + c.line}));
        const Lines journal = Journal();
        ASSERT_GE(journal.size(), 3u);
        EXPECT_EQ(journal[2].substr(0, journal[2].find(" -> ")), "PackageManager.AddPackageAsync uri=\"" +
                                                                     ToUtf8(c.path) +
                                                                     "\" dependencies=null options=64");
    }
}

// ---- IsPackageInstalled ---------------------------------------------------------------------------

TEST_F(Deployment, InstalledQueryWalksArchitectureFamilyAndVersion) {
    Scenario(std::string("installed ") + kVcLibs + " 99.0.0.0 x86\n" + "installed " + kVcLibs +
             " 99.0.0.0 arm64\n" +
             "installed microsoft.vclibs.140.00.uwpdesktop_8wekyb3d8bbwe 99.0.0.0 x64\n" + "installed " +
             kVcLibs + " 14.0.30000.0 x64\n" + "installed " + kVcLibs + " 14.0.33728.0 x64\n" + "installed " +
             kVcLibs + " 15.0.0.0 x64\n");
    EXPECT_TRUE(IsPackageInstalled(FromUtf8(kVcLibs), {14, 0, 33728, 0}));
    EXPECT_EQ(Journal(), (Lines{"PackageManager.ActivateInstance", "PackageManager.FindPackages"}));
    EXPECT_EQ(Log(),
              (Lines{std::string("|LOG|: [MSIX] Checking to see if package '") + kVcLibs +
                         "', with a minimum version of '14.0.33728.0' is installed on the system...",
                     std::string("|LOG|: [MSIX] Found ") + kVcLibs +
                         ". Version: 14.0.30000.0. But this does NOT match the minimum required version of "
                         "14.0.33728.0!",
                     std::string("|LOG|: [MSIX] Found ") + kVcLibs + ". Version: 14.0.33728.0"}));
}

// ---- LaunchApp --------------------------------------------------------------------------

TEST_F(Deployment, LaunchStartsTheFirstEntryOfTheFirstPackageThatHasOne) {
    const std::string family = ToUtf8(AppPackageFamilyName);
    Scenario("user " + family + " 2.0.22.1414 x64 entries=0\n" + "user " + family +
             " 2.0.22.1414 x64 entries=2\n" + "user " + family + " 2.0.22.1414 x64 entries=1\n" +
             "launch status=completed timing=late\n");
    LaunchApp();
    EXPECT_EQ(Journal(),
              (Lines{"PackageManager.ActivateInstance",
                     "PackageManager.FindPackagesByUserSecurityIdPackageFamilyName sid=\"\" family=\"" +
                         family + "\"",
                     "user[0].GetAppListEntries", "user[1].GetAppListEntries",
                     "user[1].entry[0].LaunchAsync -> op (late)", "op.put_Completed",
                     "op.completed status=1 (handler invoked)"}));
    EXPECT_EQ(Log(),
              (Lines{"|LOG|: Launching Orbalt...", "|LOG|: Found app entry, attempting to launch..."}));
}

TEST_F(Deployment, LaunchErrorAndMissingPackagesLeadToTheNotice) {
    const std::string family = ToUtf8(AppPackageFamilyName);
    const std::string notice =
        "|INFO|: Orbalt Successfully Installed - Reason: Orbalt was successfully installed, "
        "but failed to automatically launch. Please try launching it from your Start Menu.";
    Scenario("user " + family + " 2.0.22.1414 x64 entries=1\nlaunch status=error code=0x80004005\n");
    LaunchApp();
    EXPECT_EQ(Log(), (Lines{"|LOG|: Launching Orbalt...", "|LOG|: Found app entry, attempting to launch...",
                            notice}));
    const Lines journal = Journal();
    EXPECT_EQ(journal.back(), "user[0].entry[0].LaunchAsync -> op (early)"); // no handler for an ended launch

    DeleteFileW(InstallerLog.c_str());
    Scenario("user Some.Other_h7c2q0xw4ma9s 1.0.0.0 x64 entries=1\n");
    LaunchApp();
    EXPECT_EQ(Log(), (Lines{"|LOG|: Launching Orbalt...", notice}));
}

TEST_F(Deployment, CanceledLaunchRaises) {
    Scenario("user " + ToUtf8(AppPackageFamilyName) +
             " 2.0.22.1414 x64\nlaunch status=canceled timing=late\n");
    try {
        LaunchApp();
        ADD_FAILURE() << "no error raised";
    } catch (const HResultError& error) {
        EXPECT_EQ(static_cast<std::uint32_t>(error.code()), 0x800704C7u);
    }
    EXPECT_EQ(Log(),
              (Lines{"|LOG|: Launching Orbalt...", "|LOG|: Found app entry, attempting to launch..."}));
}

} // namespace
} // namespace orbalt
