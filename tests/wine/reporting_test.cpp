// The log, notices and the status window's lifetime against Wine's real files and windows.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "core/state.h"
#include "core/win.h"
#include "reporting/reporting.h"
#include "window/status_window.h"

namespace orbalt {
namespace {

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Reporting : public testing::Test {
protected:
    void SetUp() override {
        OutputMode = Mode::Silent;
        InstallerLog.clear();
        StartReporting(GetModuleHandleW(nullptr));
    }
    void TearDown() override { DeleteFileW(InstallerLog.c_str()); }
};

TEST_F(Reporting, TempFolderAndFreshLog) {
    std::wstring folder = GetTempFolder();
    EXPECT_TRUE(folder.ends_with(L"\\Tessaly Installer Temp\\"));
    DWORD attributes = GetFileAttributesW(folder.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(InstallerLog, folder + L"Installer.log");

    LogLine(L"from an earlier run");
    StartReporting(GetModuleHandleW(nullptr)); // a new run deletes the old log
    EXPECT_EQ(GetFileAttributesW(InstallerLog.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Reporting, OtherReadersAndWritersShareTheLog) {
    LogLine(L"one");
    // A reader that allows writing (a log viewer, the elevated copy) does not block records.
    UniqueHandle reader(CreateFileW(InstallerLog.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    LogLine(L"two");
    reader.reset();
    // A holder that shares nothing makes the record vanish without harm; the next one lands.
    UniqueHandle exclusive(
        CreateFileW(InstallerLog.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(exclusive);
    LogLine(L"lost");
    exclusive.reset();
    LogLine(L"three");
    EXPECT_EQ(ReadBytes(InstallerLog), "|LOG|: one\r\n|LOG|: two\r\n|LOG|: three\r\n");
}

TEST_F(Reporting, StatusTextsAreNeverLoggedAndNoLogMeansNoRecord) {
    SetStatusText(L"Installing...");
    SetProgress(50.0);
    OpenLogFile(); // Silent: does nothing
    EXPECT_EQ(GetFileAttributesW(InstallerLog.c_str()), INVALID_FILE_ATTRIBUTES);

    std::wstring path = InstallerLog;
    InstallerLog.clear(); // before StartReporting fixes the path, records go nowhere
    LogLine(L"nowhere");
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    InstallerLog = path;
}

// The window thread's part of reporting, in Gui mode (the test run provides an X display).
TEST(StatusWindowLifetime, StartsTopMostVisibleAndClosesAtTheEnd) {
    OutputMode = Mode::Gui;
    StartReporting(GetModuleHandleW(nullptr));
    ASSERT_EQ(OutputMode, Mode::Gui) << "no window: is there an X display?";
    ASSERT_TRUE(IsStatusWindowCreated());
    HWND window = StatusWindow->window;
    DWORD threadId = StatusWindow->threadId;
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    EXPECT_STREQ(name, L"Orbalt Installer");
    GetWindowTextW(window, name, 64);
    EXPECT_STREQ(name, L"Orbalt Installer");

    // The client area leaves a 1-pixel edge on the left, right and bottom, and no caption.
    RECT frame{}, client{};
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, frame.right - frame.left - 2);
    EXPECT_EQ(client.bottom, frame.bottom - frame.top - 1);

    // Hidden around a notice and shown again, always top-most.
    HideStatusWindow();
    EXPECT_FALSE(IsWindowVisible(window));
    ShowStatusWindow();
    EXPECT_TRUE(IsWindowVisible(window));

    SetStatusText(L"Halfway");
    EXPECT_EQ(SendMessageW(window, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0);

    EndReporting();
    EXPECT_EQ(StatusWindow, nullptr);
    EXPECT_FALSE(IsWindow(window));
    // The thread stays in its message loop until the process ends.
    UniqueHandle thread(OpenThread(SYNCHRONIZE, FALSE, threadId));
    ASSERT_TRUE(thread);
    EXPECT_EQ(WaitForSingleObject(thread.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    DeleteFileW(InstallerLog.c_str());
}

} // namespace
} // namespace orbalt
