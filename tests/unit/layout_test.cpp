#include <gtest/gtest.h>

#include "window/layout.h"

namespace orbalt {
namespace {

// The three placements on a 1080p screen are measured on screenshots; here what they cannot show.
TEST(StatusWindowPlacement, EachDpiScalesItsOwnAxis) {
    WindowPlacement mixed = PlaceStatusWindowFor(96, 192, 1920, 1080);
    EXPECT_EQ(mixed.width, 370);
    EXPECT_EQ(mixed.height, 700);
    EXPECT_EQ(mixed.y, 190);
}

void ExpectRect(const LayoutRect& r, float left, float top, float width, float height, const char* what) {
    EXPECT_FLOAT_EQ(r.left, left) << what;
    EXPECT_FLOAT_EQ(r.top, top) << what;
    EXPECT_FLOAT_EQ(r.width, width) << what;
    EXPECT_FLOAT_EQ(r.height, height) << what;
}

TEST(StatusWindowLayout, OffsetRectangleKeepsVerticalPositionsFromZero) {
    // The 368 x 349 client area at 96 dpi, moved: only the text rectangles follow the left edge;
    // the logo is centred in the width alone and every vertical position is taken from 0.
    StatusWindowLayout l = LayOutStatusWindow(96, 96, 10, 20, 378, 369);
    ExpectRect(l.message, 10, 174.5f, 368, 174.5f, "message");
    ExpectRect(l.status, 10, 289, 368, 60, "status band");
    ExpectRect(l.logo, 119, 60, 130, 127, "logo");
}

} // namespace
} // namespace orbalt
