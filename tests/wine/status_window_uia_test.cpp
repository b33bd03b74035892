// A UI Automation client in its own process reads the real status window of another process
// (status_window_host.exe) through the core client API.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "uia_client.h"
#include "window/uia_api.h"

namespace {

using orbalt::kUiaAutomationIdPropertyId;
using orbalt::kUiaControlTypePropertyId;
using orbalt::kUiaNamePropertyId;

struct NodeDeleter {
    void operator()(HUIANODE__* node) const { UiaNodeRelease(node); }
};
using Node = std::unique_ptr<HUIANODE__, NodeDeleter>;

std::wstring Folder(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The host: the real status window on its own thread, driven through files in a folder.
class Host {
public:
    Host() {
        wchar_t buffer[MAX_PATH];
        GetTempPathW(MAX_PATH, buffer);
        control_ = std::wstring(buffer) + L"orbalt-uia-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(control_), ignored);
        CreateDirectoryW(control_.c_str(), nullptr);
        GetModuleFileNameW(nullptr, buffer, MAX_PATH);
        std::wstring program = Folder(buffer) + L"status_window_host.exe";
        // No backslash before the closing quote, which would escape it.
        std::wstring command = L"\"" + program + L"\" \"" + control_.substr(0, control_.size() - 1) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        started_ = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &process_) != FALSE;
    }
    ~Host() {
        if (started_) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_.hProcess, 1);
            }
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(control_), ignored);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    bool WaitFor(const std::wstring& name) const {
        for (int waited = 0; waited < 45000; waited += 50) {
            if (Exists(control_ + name)) {
                return true;
            }
            if (!started_ || Exists(control_ + L"failed") ||
                WaitForSingleObject(process_.hProcess, 50) == WAIT_OBJECT_0) {
                return false;
            }
        }
        return false;
    }
    void Command(int n, const std::string& text) const {
        std::wstring path = control_ + L"cmd-" + std::to_wstring(n) + L".txt";
        std::ofstream((path + L".tmp").c_str(), std::ios::binary) << text;
        MoveFileW((path + L".tmp").c_str(), path.c_str());
    }
    DWORD Finish() const {
        DWORD code = 0xFFFFFFFF;
        if (WaitForSingleObject(process_.hProcess, 30000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process_.hProcess, &code);
        }
        return code;
    }
    // The status window of the host process (other tests may show one of their own).
    HWND Window() const {
        HWND found = nullptr;
        while ((found = FindWindowExW(nullptr, found, L"Orbalt Installer", nullptr)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(found, &owner);
            if (owner == process_.dwProcessId) {
                return found;
            }
        }
        return nullptr;
    }

private:
    std::wstring control_;
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

std::wstring StringProperty(HUIANODE node, PROPERTYID id) {
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(UiaGetPropertyValue(node, id, &v), S_OK);
    std::wstring text =
        v.vt == VT_BSTR ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : L"<not a string>";
    VariantClear(&v);
    return text;
}

LONG IntProperty(HUIANODE node, PROPERTYID id) {
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(UiaGetPropertyValue(node, id, &v), S_OK);
    LONG value = v.vt == VT_I4 ? v.lVal : -1;
    VariantClear(&v);
    return value;
}

// One step through the tree; the node comes back in the first cell of the requested data.
Node Navigate(HUIANODE from, NavigateDirection direction) {
    UiaCondition any{ConditionType_True};
    UiaCacheRequest request{&any, TreeScope_Element, nullptr, 0, nullptr, 0, AutomationElementMode_Full};
    SAFEARRAY* data = nullptr;
    BSTR tree = nullptr;
    EXPECT_EQ(UiaNavigate(from, direction, &any, &request, &data, &tree), S_OK);
    Node node;
    if (data != nullptr) {
        LONG index[2] = {0, 0};
        VARIANT v;
        VariantInit(&v);
        HUIANODE raw = nullptr;
        if (SUCCEEDED(SafeArrayGetElement(data, index, &v)) && SUCCEEDED(UiaHUiaNodeFromVariant(&v, &raw))) {
            node.reset(raw);
        }
        VariantClear(&v);
        SafeArrayDestroy(data);
    }
    SysFreeString(tree);
    return node;
}

TEST(StatusWindowUiaClient, ReadsTheWindowAndFollowsTheStatusText) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    Host host;
    ASSERT_TRUE(host.WaitFor(L"ready")) << "the host did not show its window";
    HWND window = host.Window();
    ASSERT_NE(window, nullptr);
    {
        HUIANODE raw = nullptr;
        ASSERT_EQ(UiaNodeFromHandle(window, &raw), S_OK);
        Node root(raw);
        EXPECT_EQ(StringProperty(root.get(), kUiaNamePropertyId), L"Orbalt Installer");
        EXPECT_EQ(StringProperty(root.get(), kUiaAutomationIdPropertyId), L"Orbalt_Installer");
        EXPECT_EQ(IntProperty(root.get(), kUiaControlTypePropertyId), 50032); // window

        Node message = Navigate(root.get(), NavigateDirection_FirstChild);
        Node status = Navigate(root.get(), NavigateDirection_LastChild);
        ASSERT_TRUE(message && status);
        EXPECT_EQ(IntProperty(message.get(), kUiaControlTypePropertyId), 50020); // text
        EXPECT_EQ(IntProperty(status.get(), kUiaControlTypePropertyId), 50020);
        EXPECT_EQ(StringProperty(message.get(), kUiaNamePropertyId),
                  L"Getting Orbalt ready for you. It will launch once it's ready");
        EXPECT_EQ(StringProperty(status.get(), kUiaNamePropertyId), L"Getting things ready...");
        Node next = Navigate(message.get(), NavigateDirection_NextSibling);
        ASSERT_TRUE(next);
        EXPECT_EQ(StringProperty(next.get(), kUiaNamePropertyId), L"Getting things ready...");
        Node parent = Navigate(status.get(), NavigateDirection_Parent);
        ASSERT_TRUE(parent);
        EXPECT_EQ(StringProperty(parent.get(), kUiaAutomationIdPropertyId), L"Orbalt_Installer");

        // A new status text: the second child's name follows, read anew from the same node and
        // from a fresh navigation.
        host.Command(1, "status Installing Orbalt... 42%");
        ASSERT_TRUE(host.WaitFor(L"done-1"));
        EXPECT_EQ(StringProperty(status.get(), kUiaNamePropertyId), L"Installing Orbalt... 42%");
        Node again = Navigate(root.get(), NavigateDirection_LastChild);
        ASSERT_TRUE(again);
        EXPECT_EQ(StringProperty(again.get(), kUiaNamePropertyId), L"Installing Orbalt... 42%");
        EXPECT_EQ(StringProperty(message.get(), kUiaNamePropertyId),
                  L"Getting Orbalt ready for you. It will launch once it's ready");
    }
    host.Command(2, "quit");
    EXPECT_EQ(host.Finish(), 0u);
    CoUninitialize();
}

} // namespace
