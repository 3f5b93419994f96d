// Where full-screen saving puts its windows: one per monitor, one over the
// box that holds them all, or the scene on the primary monitor with the
// others covered in black, as the "monitors" setting says. The monitors come
// from the system (EnumDisplayMonitors), the primary one first.
#pragma once

#include "saver/internal.h"

#include <vector>

#include "platform/win32.h"
#include "saver/monitor_setting.h"

struct MonitorRect {
    RECT area{0, 0, 0, 0};
    bool primary = false;
};

// One full-screen window of a run.
struct SaverScreen {
    RECT area{0, 0, 0, 0};
    // Plays the scene at the window's size; otherwise the window stays black.
    bool showsScene = true;

    bool operator==(const SaverScreen& other) const
    {
        return EqualRect(&area, &other.area) && showsScene == other.showsScene;
    }
};

// The system's monitors now, the primary one first.
std::vector<MonitorRect> ListMonitors();

// The windows the layout asks for on these monitors; the window that plays
// the scene on the primary monitor (or spans them all) comes first. None
// when there is no monitor.
std::vector<SaverScreen> PlanSaverScreens(MonitorLayout layout, const std::vector<MonitorRect>& monitors);
