#include <gtest/gtest.h>

#include <algorithm>

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
    // What the server hands out at the .NET address; an empty text serves nothing (a 404).
    void Serve(const std::string& bytes) {
        const std::wstring path = served_ + L"\\dotnet\\windowsdesktop-runtime-8.0.8-win-x64.exe";
        DeleteFileW(path.c_str());
        if (!bytes.empty()) {
            test::WriteBytes(path, bytes);
        }
    }

    const std::wstring served_ = test::WinePath(ORBALT_TEST_SERVED);
    const std::string installer_ = test::ReadBytes(test::WinePath(ORBALT_TEST_FAKE_INSTALLER));
    std::wstring installerPath_;
};

// The percentages of the status texts, in order ("Installing..." counts as 100).
std::vector<int> Percentages(const std::vector<std::wstring>& texts) {
    std::vector<int> values;
    for (const std::wstring& text : texts) {
        if (text == L"Getting ready...") {
            values.push_back(0);
        } else if (text == L"Installing...") {
            values.push_back(100);
        } else {
            values.push_back(std::stoi(text));
        }
    }
    return values;
}

TEST_F(Download, AVerifiedInstallerArrivesWithRisingProgressAndIsHeldUntilItRuns) {
    ASSERT_GT(installer_.size(), 50000u);
    std::vector<std::wstring> texts;
    std::wstring path;
    {
        test::StatusRecorder status;
        path = DownloadFile(DotNetDownloadUrl, L"netdesktopruntime.exe");
        texts = status.texts;
    }
    EXPECT_EQ(path, installerPath_);
    EXPECT_TRUE(FileExists(path));
    EXPECT_TRUE(test::ReadBytes(path) == installer_);
    EXPECT_EQ(LogLines(), std::vector<std::string>{DownloadingLine(DotNetDownloadUrl)});
    // OnProgress reached SetProgress: several texts, never falling, ending complete.
    std::vector<int> percentages = Percentages(texts);
    ASSERT_GE(percentages.size(), 3u);
    EXPECT_TRUE(std::is_sorted(percentages.begin(), percentages.end()));
    EXPECT_EQ(percentages.back(), 100);
    EXPECT_TRUE(std::any_of(percentages.begin(), percentages.end(), [](int p) { return p > 0 && p < 100; }));

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
    SetEnvironmentVariableW(L"ORBALT_FAKE_DOTNET_RECORD", record.c_str());
    SetEnvironmentVariableW(L"ORBALT_FAKE_DOTNET_EXIT", L"0");
    EXPECT_TRUE(RunProcess(path, L"/install /quiet /norestart"));
    EXPECT_EQ(test::ReadBytes(record), "/install /quiet /norestart\n");
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST_F(Download, AMismatchingOrMissingInstallerIsRefusedAndDeleted) {
    // Other bytes at the pinned address.
    Serve(std::string(70000, 'm'));
    std::wstring path = DownloadFile(DotNetDownloadUrl, L"netdesktopruntime.exe");
    EXPECT_EQ(path, installerPath_);
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(test::Exists(path));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{DownloadingLine(DotNetDownloadUrl), kRefusedLine}));

    // A 404: Wine reports success and saves the error page; only the digest catches it.
    Serve("");
    test::ClearLog();
    path = DownloadFile(DotNetDownloadUrl, L"netdesktopruntime.exe");
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(test::Exists(path));
    auto lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), DownloadingLine(DotNetDownloadUrl));
    EXPECT_EQ(lines.back(), kRefusedLine);

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

TEST_F(Download, AnUnpinnedFrameworkIsTakenAsItComesAndNotHeld) {
    DownloadCount = 2;
    DownloadNumber = 2;
    std::vector<std::wstring> texts;
    std::wstring path;
    {
        test::StatusRecorder status;
        path = DownloadFile(FrameworkDownloadUrl, L"vclibs.appx");
        texts = status.texts;
    }
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(test::ReadBytes(path), std::string(40000, 'p'));
    // The second of two downloads runs from 50 to 100.
    std::vector<int> percentages = Percentages(texts);
    ASSERT_FALSE(percentages.empty());
    EXPECT_GE(percentages.front(), 50);
    EXPECT_EQ(percentages.back(), 100);
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

} // namespace
} // namespace orbalt
