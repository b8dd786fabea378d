#ifndef QVX_DESKTOP_WINDOWS_H
#define QVX_DESKTOP_WINDOWS_H

#include <string>
#include <vector>

#include "QvxExport.h"

// The top-level windows of the desktop, found by their title: whether the
// top-level window with a title exists, sizing, stacking, showing and hiding
// it, and the process that owns it.
//
// Titles compare exactly, byte for byte (no prefix, no letter-case folding).
// A hidden window is still a top-level window: it is found, listed and shown
// again. Every call opens its own connection to the desktop and closes it
// before returning. Without a desktop (nothing to connect to, or a connection
// that cannot be made) every call answers false at once and says nothing.
//
// On X11 the desktop is the display named by "DISPLAY". The top-level windows
// are those of the window manager's client list when a window manager runs,
// and the root window's children (or, below each, the first window that
// carries WM_STATE or a title) otherwise; with a window manager the root's
// children are searched too, since a hidden (withdrawn) window leaves its
// list. A title is _NET_WM_NAME, else WM_NAME; one longer than 256 KiB is
// taken as no title. X errors caused by these calls (a window that vanished
// meanwhile) make the call answer false; they never end the process.
namespace qvx {
namespace platform {

struct DesktopWindow
{
    std::string title;
    int x = 0;  // position relative to the window's parent
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    bool visible = false;      // shown (viewable)
    long ownerProcessId = 0;   // 0: the owner cannot be told
};

// The top-level windows. False when there is no desktop.
QVXUTIL_API bool listDesktopWindows(std::vector<DesktopWindow>& windows);

// Whether a top-level window with this title exists.
QVXUTIL_API bool findDesktopWindow(const std::string& title);

// Sizes the window with this title to width x height keeping its position,
// puts it on top of the stacking order and hides it. True when the window
// was found and every request was accepted.
QVXUTIL_API bool hideDesktopWindow(const std::string& title, unsigned int width, unsigned int height);

// Makes the window with this title stay above all others, sizes it to
// width x height keeping its position, shows it on top of the stacking
// order, then lets other windows above it again (it stays in front). True
// when the window was found and every request was accepted.
QVXUTIL_API bool showDesktopWindow(const std::string& title, unsigned int width, unsigned int height);

// The id of the process that owns the window with this title. False when no
// window has the title or its owner cannot be told. On X11: the window's
// _NET_WM_PID, else the X-Resource extension's client id of its connection.
QVXUTIL_API bool findDesktopWindowOwner(const std::string& title, long& processId);

}  // namespace platform
}  // namespace qvx

#endif
