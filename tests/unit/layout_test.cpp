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

} // namespace
} // namespace orbalt
