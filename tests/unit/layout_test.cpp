#include <gtest/gtest.h>

#include <array>

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

std::array<float, 4> Rect(const LayoutRect& r) {
    return {r.left, r.top, r.width, r.height};
}

TEST(StatusWindowLayout, OffsetRectangleKeepsVerticalPositionsFromZero) {
    // The 368 x 349 client area at 96 dpi, moved: only the text rectangles follow the left edge;
    // the logo is centred in the width alone and every vertical position is taken from 0.
    StatusWindowLayout l = LayOutStatusWindow(96, 96, 10, 20, 378, 369);
    EXPECT_EQ(Rect(l.message), (std::array{10.0f, 174.5f, 368.0f, 174.5f}));
    EXPECT_EQ(Rect(l.status), (std::array{10.0f, 289.0f, 368.0f, 60.0f}));
    EXPECT_EQ(Rect(l.logo), (std::array{119.0f, 60.0f, 130.0f, 127.0f}));
}

} // namespace
} // namespace orbalt
