// Placement and inner layout of the status window (portable arithmetic).
#pragma once

namespace orbalt {

struct WindowPlacement {
    int x;
    int y;
    int width;
    int height;
};

// 370 x 350 units of 1/96 inch, centred on a primary display whose client rectangle ends at
// (screenRight, screenBottom).
WindowPlacement PlaceStatusWindowFor(int dpiX, int dpiY, int screenRight, int screenBottom);

// A rectangle in client pixels, in the single precision that the drawing uses.
struct LayoutRect {
    float left;
    float top;
    float width;
    float height;
};

struct StatusWindowLayout {
    LayoutRect background;
    LayoutRect message; // the lower half, where the two-line message is centred
    LayoutRect status;  // the band along the bottom edge, where the status line is centred
    LayoutRect logo;    // centred horizontally, its top on the band height
};

// The areas of one paint of the client rectangle (left, top, right, bottom) at the given dpi.
// Vertical positions are measured from 0 rather than from top: the client area always starts
// there, and the accessibility bounds repeat the same numbers.
StatusWindowLayout LayOutStatusWindow(float dpiX, float dpiY, int left, int top, int right, int bottom);

} // namespace orbalt
