// Changes of another program's X window told by the X server as they happen,
// on an X connection of our own: the window's structure events (moves,
// resizes, mapping, destruction) make the connection readable, so whoever
// waits for them needs no timer.
#pragma once

#include "platform/internal.h"

#include <memory>
#include <string>

#include "platform/drivers/sdl/sdl_x11.h"
#include "platform/drivers/window_backend.h"

namespace vesper::platform::sdl::x11 {

class StructureWatch final : public ForeignWindowWatch {
public:
    // Connects to the X server of that name (ServerName()) and asks for the
    // window's structure events; null when the connection cannot be made. A
    // window that is already gone sends none: look at it once after this.
    static std::unique_ptr<StructureWatch> Open(const std::string& serverName, WindowNumber window);
    ~StructureWatch() override;
    StructureWatch(const StructureWatch&) = delete;
    StructureWatch& operator=(const StructureWatch&) = delete;

    int ChangeFile() const override;
    bool TakeChanges() override;

private:
    explicit StructureWatch(_XDisplay* display) : m_display(display) {}

    _XDisplay* m_display;
};

}  // namespace vesper::platform::sdl::x11
