#include <gtest/gtest.h>

#include "window/layout.h"

namespace orbalt {
namespace {

TEST(StatusWindowPlacement, CentredAndScaledOnA1080pDisplay) {
    struct Case {
        int dpi;
        WindowPlacement expected;
    };
    for (const Case& c : {Case{96, {775, 365, 370, 350}}, Case{120, {729, 322, 462, 437}},
                          Case{144, {683, 278, 555, 525}}}) {
        WindowPlacement p = PlaceStatusWindowFor(c.dpi, c.dpi, 1920, 1080);
        EXPECT_EQ(p.x, c.expected.x) << c.dpi;
        EXPECT_EQ(p.y, c.expected.y) << c.dpi;
        EXPECT_EQ(p.width, c.expected.width) << c.dpi;
        EXPECT_EQ(p.height, c.expected.height) << c.dpi;
    }
    // Horizontal and vertical dpi scale their own axis.
    WindowPlacement mixed = PlaceStatusWindowFor(96, 192, 1920, 1080);
    EXPECT_EQ(mixed.width, 370);
    EXPECT_EQ(mixed.height, 700);
}

} // namespace
} // namespace orbalt
