#include "window/layout.h"

namespace orbalt {

WindowPlacement PlaceStatusWindowFor(int dpiX, int dpiY, int screenRight, int screenBottom) {
    // Single precision and truncation, so that 120 dpi gives 462 x 437 as the window always had.
    auto width = static_cast<int>(static_cast<float>(dpiX) * 370.0f / 96.0f);
    auto height = static_cast<int>(static_cast<float>(dpiY) * 350.0f / 96.0f);
    return {screenRight / 2 - width / 2, screenBottom / 2 - height / 2, width, height};
}

} // namespace orbalt
