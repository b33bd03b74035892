#include "window/accessibility_tree.h"

namespace orbalt {
namespace {

bool Contains(const ScreenRect& r, double x, double y) {
    return r.left <= x && x <= r.left + r.width && r.top <= y && y <= r.top + r.height;
}

} // namespace

TreeElement NavigateFrom(TreeElement from, int direction) {
    constexpr int kParent = 0, kNextSibling = 1, kPreviousSibling = 2, kFirstChild = 3, kLastChild = 4;
    switch (from) {
    case TreeElement::Window:
        return direction == kFirstChild  ? TreeElement::Message
               : direction == kLastChild ? TreeElement::Status
                                         : TreeElement::None;
    case TreeElement::Message:
        return direction == kParent        ? TreeElement::Window
               : direction == kNextSibling ? TreeElement::Status
                                           : TreeElement::None;
    case TreeElement::Status:
        return direction == kParent            ? TreeElement::Window
               : direction == kPreviousSibling ? TreeElement::Message
                                               : TreeElement::None;
    case TreeElement::None:
        break;
    }
    return TreeElement::None;
}

TreeElement TextAt(const ScreenRect& message, const ScreenRect& status, double x, double y) {
    return Contains(status, x, y)    ? TreeElement::Status
           : Contains(message, x, y) ? TreeElement::Message
                                     : TreeElement::None;
}

} // namespace orbalt
