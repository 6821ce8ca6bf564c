#include "x11_windows.hpp"

#include <gdk/x11/gdkx.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace quirelle::testing {

namespace {

// One property of a window, freed with the window's property memory.
struct PropertyFree {
    void operator()(unsigned char* data) const { XFree(data); }
};
using Property = std::unique_ptr<unsigned char, PropertyFree>;

Property ReadProperty(Display* display, Window window, Atom property, Atom type, long length,
                      unsigned long& items) {
    Atom actualType;
    int format;
    unsigned long after;
    unsigned char* data = nullptr;
    items = 0;
    if (property == None ||
        XGetWindowProperty(display, window, property, 0, length, False, type, &actualType, &format,
                           &items, &after, &data) != Success) {
        return nullptr;
    }
    return Property(data);
}

// A window may vanish between being listed and being asked about; Xlib's own handler would end
// the test for it.
int IgnoreVanishedWindows(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

X11Display::X11Display() : display_(XOpenDisplay(nullptr)) {
    XSetErrorHandler(&IgnoreVanishedWindows);
}

X11Display::~X11Display() {
    if (display_) {
        XCloseDisplay(display_);
    }
}

std::vector<ShownWindow> X11Display::ShownWindowsOf(pid_t pid) const {
    std::vector<ShownWindow> shown;
    // Without a window manager the program's windows are the root window's own children.
    Window root, parent;
    Window* children = nullptr;
    unsigned count = 0;
    if (!display_ ||
        !XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
        return shown;
    }
    const Atom pidAtom = XInternAtom(display_, "_NET_WM_PID", True);
    const Atom nameAtom = XInternAtom(display_, "_NET_WM_NAME", True);
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", True);
    for (unsigned i = 0; i < count; ++i) {
        unsigned long items = 0;
        const Property owner = ReadProperty(display_, children[i], pidAtom, XA_CARDINAL, 1, items);
        if (!owner || items != 1 ||
            static_cast<pid_t>(*reinterpret_cast<const unsigned long*>(owner.get())) != pid) {
            continue;
        }
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, children[i], &attributes) ||
            attributes.map_state != IsViewable) {
            continue;
        }
        const Property name = ReadProperty(display_, children[i], nameAtom, utf8, 256, items);
        shown.push_back(
            {children[i],
             name ? std::string(reinterpret_cast<const char*>(name.get()), items) : std::string()});
    }
    XFree(children);
    return shown;
}

ProcessWindows X11Display::WindowsOf(pid_t pid, const std::string& title) const {
    ProcessWindows found;
    for (const ShownWindow& window : ShownWindowsOf(pid)) {
        ++found.viewable;
        found.titled = found.titled || window.title == title;
    }
    return found;
}

std::array<int, 4> X11Display::GeometryOf(unsigned long window) const {
    XWindowAttributes attributes;
    if (!display_ || !XGetWindowAttributes(display_, window, &attributes)) {
        return {0, 0, 0, 0};
    }
    return {attributes.x, attributes.y, attributes.width, attributes.height};
}

void X11Display::AskToClose(unsigned long window) const {
    if (!display_) {
        return;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
}

unsigned long X11WindowOf(GdkSurface* surface) {
    return gdk_x11_surface_get_xid(surface);
}

}  // namespace quirelle::testing
