#pragma once

#include <sys/types.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

struct _XDisplay;
typedef struct _GdkSurface GdkSurface;

namespace quirelle::testing {

// What one process shows on the X display: how many of its windows are on screen, and whether
// one of them is titled as asked.
struct ProcessWindows {
    int viewable = 0;
    bool titled = false;
};

// One window on screen: its X id, its title, and whether it is a popup (a menu, a popover, a
// tooltip), which the window manager leaves alone.
struct ShownWindow {
    unsigned long id = 0;
    std::string title;
    bool popup = false;
};

// The X window behind a GDK surface of the X11 backend, for tools that act on X windows.
unsigned long X11WindowOf(GdkSurface* surface);

// A connection to the X server of $DISPLAY, kept apart because Xlib's macros clash with
// GoogleTest's names.
class X11Display {
  public:
    X11Display();
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    bool connected() const { return display_ != nullptr; }
    ProcessWindows WindowsOf(pid_t pid, const std::string& title) const;
    // The windows of `pid` on screen, in stacking order (the topmost last).
    std::vector<ShownWindow> ShownWindowsOf(pid_t pid) const;
    // Where `window` lies on the screen: left, top, width and height; all 0 when it is gone.
    std::array<int, 4> GeometryOf(unsigned long window) const;
    // Asks `window` to close, as a window manager does when its close button is clicked.
    void AskToClose(unsigned long window) const;

  private:
    ::_XDisplay* display_;
};

}  // namespace quirelle::testing
