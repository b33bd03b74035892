// A dwmapi.dll that a user could plant beside the installer, in their Downloads folder: it
// journals that it was loaded as a call no run may make, and answers the one call the status
// window makes, so that only the journal tells it from the system's.
#include <windows.h>

#include "deployment-service/scenario.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        fake::Journal(L"unexpected: the dwmapi.dll beside the installer was loaded");
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DwmExtendFrameIntoClientArea(HWND, const void*) {
    return S_OK;
}
