// UI Automation for the status window, on the window thread.
#pragma once

#include <windows.h>

#include "window/status_window.h"

namespace orbalt {

// The root element with its two text children; null when memory ran out.
StatusWindowProvider* CreateAccessibilityRoot(HWND window);

// Answers WM_GETOBJECT: the root for UiaRootObjectId, 0 otherwise.
LRESULT AnswerGetObject(HWND window, StatusWindowRecord* record, WPARAM wParam, LPARAM lParam);

} // namespace orbalt
