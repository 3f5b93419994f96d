#include "saver/monitor_setting.h"

#include <array>
#include <cstdio>
#include <string>

#include "platform/win32.h"
#include "saver/speed_setting.h"

std::optional<MonitorLayout> g_monitorLayoutOverride;

namespace {

struct LayoutName {
    MonitorLayout layout;
    std::string_view text;
};

constexpr std::array kLayoutNames{
    LayoutName{MonitorLayout::each, "each"},
    LayoutName{MonitorLayout::span, "span"},
    LayoutName{MonitorLayout::primary, "primary"},
};

// Longer than any stored word the setting takes; a longer value is bad anyway.
constexpr DWORD kLongestStoredValue = 64;

}  // namespace

std::optional<MonitorLayout> ParseMonitorLayout(std::string_view text)
{
    for (const LayoutName& name : kLayoutNames)
        if (name.text == text)
            return name.layout;
    return std::nullopt;
}

std::string_view MonitorLayoutText(MonitorLayout layout)
{
    for (const LayoutName& name : kLayoutNames)
        if (name.layout == layout)
            return name.text;
    return kLayoutNames.front().text;
}

MonitorLayout ReadMonitorSetting()
{
    char stored[kLongestStoredValue + 1] = {};
    GetPrivateProfileStringA(kSettingsSection, kMonitorsKey, "", stored, sizeof stored, kSettingsFile);
    const std::string_view value(stored);
    if (value.empty())
        return kDefaultMonitorLayout;
    if (const std::optional<MonitorLayout> layout = ParseMonitorLayout(value))
        return *layout;
    const std::string line =
        vesper::Fill(vesper::Tr("vesper: %s, section [%s]: the key \"%s\" holds \"%s\", not %s; %s is used\n"),
                     {kSettingsFile, kSettingsSection, kMonitorsKey, stored, vesper::Tr(kMonitorLayoutValues),
                      MonitorLayoutText(kDefaultMonitorLayout)});
    std::fputs(line.c_str(), stderr);
    return kDefaultMonitorLayout;
}

MonitorLayout ChosenMonitorLayout()
{
    return g_monitorLayoutOverride ? *g_monitorLayoutOverride : ReadMonitorSetting();
}
