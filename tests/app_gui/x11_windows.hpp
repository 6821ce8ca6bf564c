#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

struct _XDisplay;

namespace quirelle::testing {

// What one process shows on the X display: how many of its windows are on screen, and whether
// one of them is titled as asked.
struct ProcessWindows {
    int viewable = 0;
    bool titled = false;
};

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

  private:
    ::_XDisplay* display_;
};

}  // namespace quirelle::testing
