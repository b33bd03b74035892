// The Orbalt application (the content of the package) starts, shows its window with its texts,
// and closes cleanly.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/win.h"

namespace orbalt {
namespace {

struct FoundWindow {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<FoundWindow*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (owner == found->processId && std::wstring(className) == L"OrbaltApp" && IsWindowVisible(window)) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND child, LPARAM context) {
    wchar_t text[256] = {};
    GetWindowTextW(child, text, 256);
    reinterpret_cast<std::vector<std::wstring>*>(context)->push_back(text);
    return TRUE;
}

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::wstring AppPath() {
    const char* path = std::getenv("ORBALT_SAMPLE_APP");
    return path == nullptr ? std::wstring() : std::wstring(path, path + std::char_traits<char>::length(path));
}

// Wine cannot read another process's window or class icon (WM_GETICON, GetClassLongPtr), so the
// icon is checked as the loader sees it: the group the window class loads, at three sizes.
TEST(SampleApp, CarriesItsIcon) {
    ASSERT_FALSE(AppPath().empty()) << "ORBALT_SAMPLE_APP names OrbaltApp.exe";
    HMODULE module = LoadLibraryExW(AppPath().c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << GetLastError();
    for (int size : {16, 32, 256}) {
        HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(101), IMAGE_ICON, size, size, 0);
        EXPECT_NE(icon, nullptr) << size;
        if (icon != nullptr) {
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
            BITMAP bitmap{};
            GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
            EXPECT_EQ(bitmap.bmWidth, size);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(static_cast<HICON>(icon));
        }
    }
    FreeLibrary(module);
}

TEST(SampleApp, ShowsItsWindowAndCloses) {
    ASSERT_FALSE(AppPath().empty()) << "ORBALT_SAMPLE_APP names OrbaltApp.exe";
    std::wstring commandLine = L"\"" + AppPath() + L"\"";

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info))
        << GetLastError();
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);

    FoundWindow found{info.dwProcessId, nullptr};
    for (int attempt = 0; attempt < 300 && found.window == nullptr; ++attempt) {
        ASSERT_EQ(WaitForSingleObject(process.get(), 0), WAIT_TIMEOUT) << "the application ended early";
        EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&found));
        if (found.window == nullptr) {
            Sleep(100);
        }
    }
    ASSERT_NE(found.window, nullptr) << "no visible window within 30 s";

    EXPECT_EQ(WindowText(found.window), L"Orbalt");
    EXPECT_EQ(FindWindowW(L"OrbaltApp", L"Orbalt"), found.window);
    std::vector<std::wstring> texts;
    EnumChildWindows(found.window, CollectText, reinterpret_cast<LPARAM>(&texts));
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Orbalt is ready.", L"Version 2.0.22.1414"}));
    RECT client{};
    GetClientRect(found.window, &client);
    EXPECT_GT(client.right - client.left, 200);
    EXPECT_GT(client.bottom - client.top, 100);

    PostMessageW(found.window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

} // namespace
} // namespace orbalt
