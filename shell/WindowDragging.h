#pragma once

// Full-window dragging is a desktop setting that the program switches off while it runs and
// back on when it ends. The desktops this program runs on leave it to the window manager, so
// there is nothing to switch: the setting reads as off, and switching it changes nothing.

namespace zemor::shell {

inline bool fullWindowDragging()
{
    return false;
}

inline void setFullWindowDragging(bool) {}

} // namespace zemor::shell
