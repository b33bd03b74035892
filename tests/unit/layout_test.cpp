#include <gtest/gtest.h>

#include "window/layout.h"

namespace orbalt {
namespace {

// The three square dpis on a 1080p screen are also photographed; here the exact numbers, each
// axis scaled by its own dpi, and a client area that does not start at 0.
TEST(StatusWindowLayout, PlacementAndAreasAtEveryDpi) {
    struct Placement {
        int dpiX, dpiY, screenRight, screenBottom;
        WindowPlacement expected;
    };
    for (const Placement& p : {Placement{96, 96, 1920, 1080, {775, 365, 370, 350}},
                               Placement{120, 120, 1920, 1080, {729, 322, 462, 437}},
                               Placement{144, 144, 1920, 1080, {683, 278, 555, 525}},
                               Placement{96, 192, 1920, 1080, {775, 190, 370, 700}},
                               Placement{120, 120, 1365, 767, {451, 165, 462, 437}}}) {
        const WindowPlacement got = PlaceStatusWindowFor(p.dpiX, p.dpiY, p.screenRight, p.screenBottom);
        EXPECT_EQ(std::tie(got.x, got.y, got.width, got.height),
                  std::tie(p.expected.x, p.expected.y, p.expected.width, p.expected.height))
            << p.dpiX << " " << p.dpiY << " " << p.screenRight;
    }
    struct Areas {
        float dpiX, dpiY;
        int left, top, right, bottom;
        std::array<float, 16> expected; // background, message, status band, logo: left, top, width, height
    };
    for (const Areas& a :
         {Areas{96,
                96,
                0,
                0,
                368,
                349,
                {0, 0, 368, 349, 0, 174.5, 368, 174.5, 0, 289, 368, 60, 119, 60, 130, 127}},
          Areas{144,
                144,
                0,
                0,
                553,
                524,
                {0, 0, 553, 524, 0, 262, 553, 262, 0, 434, 553, 90, 179, 90, 195, 190.5}},
          Areas{96,
                144,
                0,
                0,
                368,
                524,
                {0, 0, 368, 524, 0, 262, 368, 262, 0, 434, 368, 90, 119, 90, 130, 190.5}},
          // Vertically from 0 whatever the top; the texts start at the left, the logo is centred in the
          // width.
          Areas{96,
                96,
                10,
                20,
                378,
                369,
                {10, 20, 368, 349, 10, 174.5, 368, 174.5, 10, 289, 368, 60, 119, 60, 130, 127}}}) {
        const StatusWindowLayout l = LayOutStatusWindow(a.dpiX, a.dpiY, a.left, a.top, a.right, a.bottom);
        std::array<float, 16> got{};
        int i = 0;
        for (const LayoutRect& r : {l.background, l.message, l.status, l.logo}) {
            for (float v : {r.left, r.top, r.width, r.height}) {
                got[static_cast<std::size_t>(i++)] = v;
            }
        }
        EXPECT_EQ(got, a.expected) << a.dpiX << " " << a.dpiY << " " << a.left;
    }
}

} // namespace
} // namespace orbalt
