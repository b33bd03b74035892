#include <gtest/gtest.h>

#include <array>

#include "window/accessibility_tree.h"

namespace orbalt {
namespace {

// Every step from every element, in NavigateDirection's numbers, and points on and around both texts
// of a window at (775, 365) at 96 dpi: the message's lower half and the status band inside it.
TEST(AccessibilityTree, EveryStepAndPoint) {
    using E = TreeElement;
    // Parent 0, NextSibling 1, PreviousSibling 2, FirstChild 3, LastChild 4, and one UI Automation
    // does not define
    for (const auto& [from, to] :
         {std::pair{E::Window, std::array{E::None, E::None, E::None, E::Message, E::Status, E::None}},
          std::pair{E::Message, std::array{E::Window, E::Status, E::None, E::None, E::None, E::None}},
          std::pair{E::Status, std::array{E::Window, E::None, E::Message, E::None, E::None, E::None}}}) {
        for (int direction = 0; direction < 6; ++direction) {
            EXPECT_EQ(NavigateFrom(from, direction), to[static_cast<std::size_t>(direction)])
                << static_cast<int>(from) << " " << direction;
        }
    }
    const ScreenRect message{775, 539.5, 368, 174.5}, status{775, 654, 368, 60};
    for (const auto& [x, y, at] : {std::tuple{785.0, 665.0, E::Status},
                                   {1143.0, 714.0, E::Status},
                                   {775.0, 654.0, E::Status},
                                   {959.0, 653.5, E::Message},
                                   {959.0, 539.5, E::Message},
                                   {775.0, 600.0, E::Message},
                                   {959.0, 485.0, E::None},
                                   {1143.5, 665.0, E::None},
                                   {774.5, 600.0, E::None},
                                   {959.0, 714.5, E::None}}) {
        EXPECT_EQ(TextAt(message, status, x, y), at) << x << " " << y;
    }
}

} // namespace
} // namespace orbalt
