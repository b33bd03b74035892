// Placement of the status window (portable arithmetic).
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

} // namespace orbalt
