#include "platform/drivers/sdl/sdl_x11_watch.h"

#include <X11/Xlib.h>

namespace vesper::platform::sdl::x11 {

std::unique_ptr<StructureWatch> StructureWatch::Open(const std::string& serverName, WindowNumber window)
{
    if (serverName.empty())
        return nullptr;
    ::Display* display = XOpenDisplay(serverName.c_str());
    if (!display)
        return nullptr;
    // A window destroyed meanwhile makes the selection fail harmlessly.
    IgnoreErrorsOn(display, true);
    XSelectInput(display, static_cast<Window>(window), StructureNotifyMask);
    XSync(display, False);
    return std::unique_ptr<StructureWatch>(new StructureWatch(display));
}

StructureWatch::~StructureWatch()
{
    XCloseDisplay(m_display);
    IgnoreErrorsOn(m_display, false);
}

int StructureWatch::ChangeFile() const
{
    return ConnectionNumber(m_display);
}

bool StructureWatch::TakeChanges()
{
    // Every event selected is one of the window's structure changes.
    bool changed = false;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        changed = true;
    }
    return changed;
}

}  // namespace vesper::platform::sdl::x11
