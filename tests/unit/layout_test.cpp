#include <gtest/gtest.h>

#include "window/layout.h"

namespace orbalt {
namespace {

// The placements at 96, 120 and 144 dpi on a 1080p screen are photographed; here each axis scaled by
// its own dpi, an odd screen, and the painted areas, also from a client area that does not start at 0.
TEST(StatusWindowLayout, PlacementAndAreasAtEveryDpi) {
    // dpi x and y, the screen's right and bottom; x, y, width and height
    for (const std::array<int, 8>& p : {std::array{96, 192, 1920, 1080, 775, 190, 370, 700},
                                        std::array{120, 120, 1365, 767, 451, 165, 462, 437}}) {
        const WindowPlacement got = PlaceStatusWindowFor(p[0], p[1], p[2], p[3]);
        EXPECT_EQ((std::array{p[0], p[1], p[2], p[3], got.x, got.y, got.width, got.height}), p);
    }
    // dpi x and y, the client rectangle; then left, top, width and height of the background, the
    // message, the status band and the logo. Vertically from 0 whatever the top; the texts start at
    // the left, the logo is centred in the width alone.
    for (const std::array<float, 22>& a :
         {std::array<float, 22>{144, 144, 0,   0, 553, 524, 0,  0,   553, 524, 0,
                                262, 553, 262, 0, 434, 553, 90, 179, 90,  195, 190.5},
          std::array<float, 22>{96,  144, 0,   0, 368, 524, 0,  0,   368, 524, 0,
                                262, 368, 262, 0, 434, 368, 90, 119, 90,  130, 190.5},
          std::array<float, 22>{96,    96,  10,    20, 378, 369, 10, 20,  368, 349, 10,
                                174.5, 368, 174.5, 10, 289, 368, 60, 119, 60,  130, 127}}) {
        const StatusWindowLayout l =
            LayOutStatusWindow(a[0], a[1], static_cast<int>(a[2]), static_cast<int>(a[3]),
                               static_cast<int>(a[4]), static_cast<int>(a[5]));
        std::array<float, 22> got{a[0], a[1], a[2], a[3], a[4], a[5]};
        std::size_t i = 6;
        for (const LayoutRect& r : {l.background, l.message, l.status, l.logo}) {
            for (float v : {r.left, r.top, r.width, r.height}) {
                got[i++] = v;
            }
        }
        EXPECT_EQ(got, a);
    }
}

} // namespace
} // namespace orbalt
