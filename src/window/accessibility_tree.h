// The status window's UI Automation tree as clients walk it (portable): a window element with two
// text children, the message and the status line.
#pragma once

namespace orbalt {

enum class TreeElement { None, Window, Message, Status };

// Where a step leads, in UI Automation's NavigateDirection (Parent 0, NextSibling 1,
// PreviousSibling 2, FirstChild 3, LastChild 4): the window has the two texts as its first and
// last child and no parent or siblings of its own here; each text has the window as its parent
// and the other text beside it, the message first.
TreeElement NavigateFrom(TreeElement from, int direction);

// A rectangle on the screen: left, top, width and height in pixels.
struct ScreenRect {
    double left, top, width, height;
};

// The text at a point on the screen, edges included. The status band lies inside the message's
// lower half: where both hold, the status line, drawn later, is the one seen.
TreeElement TextAt(const ScreenRect& message, const ScreenRect& status, double x, double y);

} // namespace orbalt
