#include "window/layout.h"

namespace orbalt {

WindowPlacement PlaceStatusWindowFor(int dpiX, int dpiY, int screenRight, int screenBottom) {
    // Single precision and truncation, so that 120 dpi gives 462 x 437 as the window always had.
    auto width = static_cast<int>(static_cast<float>(dpiX) * 370.0f / 96.0f);
    auto height = static_cast<int>(static_cast<float>(dpiY) * 350.0f / 96.0f);
    return {screenRight / 2 - width / 2, screenBottom / 2 - height / 2, width, height};
}

StatusWindowLayout LayOutStatusWindow(float dpiX, float dpiY, int left, int top, int right, int bottom) {
    auto l = static_cast<float>(left);
    auto w = static_cast<float>(right - left);
    auto h = static_cast<float>(bottom - top);
    float band = dpiY * 60.0f / 96.0f;
    float logoWidth = dpiX * 130.0f / 96.0f;
    float logoHeight = dpiY * 127.0f / 96.0f;
    return {
        .background = {l, static_cast<float>(top), w, h},
        .message = {l, h * 0.5f, w, h * 0.5f},
        .status = {l, h - band, w, band},
        .logo = {(w - logoWidth) * 0.5f, band, logoWidth, logoHeight},
    };
}

} // namespace orbalt
