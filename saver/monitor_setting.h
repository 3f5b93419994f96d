// How full-screen saving covers several monitors, kept beside the speed in
// "vesper.ini", section "settings", key "monitors": "each" (a stage of its own
// on every monitor, at that monitor's size), "span" (one stage over the box
// that holds every monitor) or "primary" (the scene on the primary monitor,
// the others black).
#pragma once

#include <optional>
#include <string_view>

#include "platform/kernel/translation.h"

enum class MonitorLayout { each, span, primary };

inline constexpr const char* kMonitorsKey = "monitors";
inline constexpr MonitorLayout kDefaultMonitorLayout = MonitorLayout::each;
// The values, as messages list them (English, shown through vesper::Tr).
inline constexpr const char* kMonitorLayoutValues = N_("each, span or primary");

// One of the three words, in lower case, with nothing around it.
std::optional<MonitorLayout> ParseMonitorLayout(std::string_view text);
std::string_view MonitorLayoutText(MonitorLayout layout);

// The stored layout; the default when the file or key is missing. A value
// that is none of the three is reported in one line on standard error
// (naming the file and the key) and the default is used; the file is left as
// it is.
MonitorLayout ReadMonitorSetting();

// The layout given on the command line for this run, none when none was: it
// replaces the settings file's.
extern std::optional<MonitorLayout> g_monitorLayoutOverride;

// The layout of this run: the command line's, else the stored one.
MonitorLayout ChosenMonitorLayout();
