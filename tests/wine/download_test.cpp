#include <gtest/gtest.h>

#include "core/build_constants.h"
#include "prerequisites/prerequisites.h"
#include "prerequisites_support.h"

namespace orbalt {
namespace {

using test::LogLines;

#define ORBALT_TEST_WIDEN2(x) L##x
#define ORBALT_TEST_WIDEN(x) ORBALT_TEST_WIDEN2(x)

const char kRefusedLine[] =
    "[Dependency Downloader] The downloaded file does not match its pinned SHA-512 digest. Download refused!";
const char kFailedLine[] = "[Dependency Downloader] Unable to download dependency. Download failed!";

std::string DownloadingLine(const std::wstring& url) {
    return "[Dependency Downloader] Downloading " + ToUtf8(url) + " ...";
}

class Download : public ::testing::Test {
protected:
    void SetUp() override {
        test::UsePrivateTempFolder(L"orbalt-download-test");
        installerPath_ = GetTempFolder() + L"netdesktopruntime.exe";
        DownloadCount = 1;
        DownloadNumber = 1;
        CreateDirectoryW(served_.c_str(), nullptr);
        CreateDirectoryW((served_ + L"\\dotnet").c_str(), nullptr);
        CreateDirectoryW((served_ + L"\\framework").c_str(), nullptr);
        Serve(installer_);
        test::WriteBytes(served_ + L"\\framework\\Microsoft.VCLibs.x64.14.00.Desktop.appx",
                         std::string(40000, 'p'));
    }
    void TearDown() override {
        for (const wchar_t* name : {L"netdesktopruntime.exe", L"vclibs.appx"}) {
            ReleaseDownload(GetTempFolder() + name);
            DeleteFileW((GetTempFolder() + name).c_str());
            RemoveDirectoryW((GetTempFolder() + name).c_str());
        }
    }
    // What the server hands out at the .NET address.
    void Serve(const std::string& bytes) {
        test::WriteBytes(served_ + L"\\dotnet\\windowsdesktop-runtime-8.0.8-win-x64.exe", bytes);
    }

    const std::wstring served_ = test::WinePath(ORBALT_TEST_SERVED);
    const std::string installer_ = test::ReadBytes(test::WinePath(ORBALT_TEST_FAKE_INSTALLER));
    std::wstring installerPath_;
};

TEST_F(Download, AVerifiedInstallerArrivesAndIsHeldUntilItRuns) {
    ASSERT_GT(installer_.size(), 50000u);
    const std::wstring path = DownloadFile(DotNetDownloadUrl, L"netdesktopruntime.exe");
    EXPECT_EQ(path, installerPath_);
    EXPECT_TRUE(FileExists(path));
    EXPECT_TRUE(test::ReadBytes(path) == installer_);
    EXPECT_EQ(LogLines(), std::vector<std::string>{DownloadingLine(DotNetDownloadUrl)});

    // Held: neither this process nor another can change, replace or delete it before it runs.
    EXPECT_EQ(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    const std::wstring other = GetTempFolder() + L"decoy.exe";
    test::WriteBytes(other, test::ReadBytes(test::WinePath(ORBALT_TEST_OTHER_PROGRAM)));
    EXPECT_FALSE(MoveFileExW(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED));
    test::RunAndWait(L"C:\\windows\\system32\\cmd.exe",
                     L"cmd /c copy /y \"" + other + L"\" \"" + path + L"\"");
    test::RunAndWait(L"C:\\windows\\system32\\cmd.exe", L"cmd /c del /f /q \"" + path + L"\"");
    test::RunAndWait(L"C:\\windows\\system32\\cmd.exe",
                     L"cmd /c move /y \"" + path + L"\" \"" + path + L".moved\"");
    EXPECT_TRUE(test::ReadBytes(path) == installer_);

    // It runs with the installer's arguments; then the hold is gone and the file can be deleted.
    const std::wstring record = GetTempFolder() + L"installer-command-line.txt";
    DeleteFileW(record.c_str());
    SetEnvironmentVariableW(L"ORBALT_FAKE_JOURNAL", record.c_str());
    SetEnvironmentVariableW(L"ORBALT_FAKE_DOTNET_EXIT", L"0");
    EXPECT_TRUE(RunProcess(path, L"/install /quiet /norestart"));
    EXPECT_EQ(test::ReadBytes(record), "dotnet-installer /install /quiet /norestart\n");
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST_F(Download, AMismatchingInstallerIsRefusedAndDeleted) {
    // Other bytes at the pinned address.
    Serve(std::string(70000, 'm'));
    std::wstring path = DownloadFile(DotNetDownloadUrl, L"netdesktopruntime.exe");
    EXPECT_EQ(path, installerPath_);
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(test::Exists(path));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{DownloadingLine(DotNetDownloadUrl), kRefusedLine}));

    // A refused file that cannot be deleted (a reader holds it open without delete sharing)
    // still never counts, and never runs.
    Serve(std::string(70000, 'm'));
    struct Holder {
        HANDLE handle = INVALID_HANDLE_VALUE;
        ~Holder() { CloseHandle(handle); }
    } holder;
    test::WriteBytes(installerPath_, std::string(70000, 'm'));
    holder.handle = CreateFileW(installerPath_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder.handle, INVALID_HANDLE_VALUE);
    test::ClearLog();
    // The stale file cannot be deleted; whatever stands there after the transfer is checked.
    path = DownloadFile(DotNetDownloadUrl, L"netdesktopruntime.exe");
    EXPECT_TRUE(test::Exists(path));
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(RunProcess(path, L"/install /quiet /norestart"));
    EXPECT_EQ(LogLines().back(), "[Process Runner] Unable to start \"" + ToUtf8(path) +
                                     "\" process (with args of \"/install /quiet /norestart\")!");
}

TEST_F(Download, FailedTransfersLeaveNoFileBehind) {
    // A stale file from an earlier run is deleted first, so a refused connection leaves nothing.
    test::WriteBytes(installerPath_, installer_);
    const std::wstring refused = ORBALT_TEST_WIDEN(ORBALT_TEST_REFUSED_URL);
    std::wstring path = DownloadFile(refused, L"netdesktopruntime.exe");
    EXPECT_EQ(path, installerPath_);
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{DownloadingLine(refused), kFailedLine}));

    // A folder in the file's place: never a file, whatever the transfer does.
    const std::wstring folder = GetTempFolder() + L"vclibs.appx";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_FALSE(FileExists(folder));
    test::ClearLog();
    path = DownloadFile(FrameworkDownloadUrl, L"vclibs.appx");
    EXPECT_EQ(path, folder);
    EXPECT_FALSE(FileExists(path));
    EXPECT_NE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    // Windows reports the failed write; Wine reports success and writes nothing.
    EXPECT_EQ(LogLines().front(), DownloadingLine(FrameworkDownloadUrl));
}

} // namespace
} // namespace orbalt
