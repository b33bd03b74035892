#include "window/accessibility.h"

namespace orbalt {

// Placeholder until the UI Automation providers exist: no root, and WM_GETOBJECT answers 0.
StatusWindowProvider* CreateAccessibilityRoot(HWND) { return nullptr; }

LRESULT AnswerGetObject(HWND, StatusWindowRecord*, WPARAM, LPARAM) { return 0; }

} // namespace orbalt
