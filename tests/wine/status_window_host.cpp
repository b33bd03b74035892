// Holds the real status window open for the screenshot and UI Automation tests.
//   status_window_host.exe CONTROLDIR
// Starts reporting in Gui mode, then writes CONTROLDIR\ready. Afterwards it carries out the
// commands CONTROLDIR\cmd-1.txt, cmd-2.txt, ... in turn (UTF-8: "status TEXT" or "quit"),
// answering each with done-N once the window has repainted. Exit code 0, or 2 without a window.
#include <windows.h>

#include <objbase.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "core/state.h"
#include "core/text.h"
#include "reporting/reporting.h"
#include "window/status_window.h"

namespace {

void Touch(const std::wstring& path) {
    std::ofstream(path.c_str()).put('\n');
}

// Lets the window thread paint what the last send invalidated before a screenshot is taken.
void WaitForPaint() {
    RedrawWindow(orbalt::StatusWindow->window, nullptr, nullptr, RDW_UPDATENOW);
    Sleep(300);
}

bool ReadCommand(const std::wstring& path, std::string& command) {
    for (int waited = 0; waited < 120000; waited += 50) {
        std::ifstream in(path.c_str(), std::ios::binary);
        if (in) {
            Sleep(50); // the writer renames a finished file into place; this is just belt and braces
            std::ostringstream text;
            text << in.rdbuf();
            command = text.str();
            while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) {
                command.pop_back();
            }
            return true;
        }
        Sleep(50);
    }
    return false;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 3;
    }
    std::wstring dir = argv[1];
    if (dir.back() != L'\\') {
        dir += L'\\';
    }
    // A fresh prefix loads and sets up these libraries slowly the first time; done here, so that
    // the window comes up within the 550 ms that StartReporting gives it.
    for (const wchar_t* dll : {L"gdiplus.dll", L"uxtheme.dll", L"dwmapi.dll", L"uiautomationcore.dll"}) {
        LoadLibraryW(dll);
    }
    HWND warmUp =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(warmUp);
    // The log goes into the control folder, away from Installer.log of tests running beside us.
    SetEnvironmentVariableW(L"TMP", dir.c_str());
    SetEnvironmentVariableW(L"TEMP", dir.c_str());
    orbalt::OutputMode = orbalt::Mode::Gui;
    orbalt::StartReporting(GetModuleHandleW(nullptr));
    if (!orbalt::IsStatusWindowCreated()) {
        Touch(dir + L"failed");
        return 2;
    }
    // As the installer does once reporting has started: the process joins the multithreaded
    // apartment, which UI Automation's cross-process calls into the window rely on.
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    WaitForPaint();
    Touch(dir + L"ready");
    for (int n = 1;; ++n) {
        std::string command;
        if (!ReadCommand(dir + L"cmd-" + std::to_wstring(n) + L".txt", command) || command == "quit") {
            break;
        }
        if (command.rfind("status ", 0) == 0) {
            orbalt::SetStatusText(orbalt::FromUtf8(command.substr(7)));
        } else if (command == "status") {
            orbalt::SetStatusText(L"");
        }
        WaitForPaint();
        Touch(dir + L"done-" + std::to_wstring(n));
    }
    orbalt::EndReporting();
    return 0;
}
