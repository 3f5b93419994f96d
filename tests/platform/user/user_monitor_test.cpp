// The monitors of the screen as the window layer gives them: listed with the
// primary first, cut to the screen, described, found by point, summed up in
// the virtual screen's metrics, and told to top-level windows when they change.
#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/user/user_test_support.h"

namespace vesper::test {
namespace {

using platform::MonitorArea;

struct Listed {
    HMONITOR handle;
    RECT area;
};

BOOL CALLBACK Collect(HMONITOR monitor, HDC, LPRECT area, LPARAM data)
{
    reinterpret_cast<std::vector<Listed>*>(data)->push_back({monitor, *area});
    return TRUE;
}

std::vector<Listed> ListMonitors(const RECT* clip = nullptr)
{
    std::vector<Listed> listed;
    EXPECT_TRUE(EnumDisplayMonitors(nullptr, clip, Collect, reinterpret_cast<LPARAM>(&listed)));
    return listed;
}

MONITORINFO InfoOf(HMONITOR monitor)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    EXPECT_TRUE(GetMonitorInfoA(monitor, &info));
    return info;
}

bool Same(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

class Monitors : public WindowTest {};

TEST_F(Monitors, ABackendThatKnowsNoneGivesTheWholeScreenAsThePrimary)
{
    const std::vector<Listed> listed = ListMonitors();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_TRUE(Same(listed[0].area, RECT{0, 0, 640, 480}));
    EXPECT_EQ(InfoOf(listed[0].handle).dwFlags, static_cast<DWORD>(MONITORINFOF_PRIMARY));
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 640);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 480);
}

// The primary monitor comes first wherever it lies; a repeated monitor (two
// outputs showing the same) counts once; a part outside the screen is cut
// off and a monitor wholly outside it is left out.
TEST_F(Monitors, PrimaryFirstRepeatsOnceCutToTheScreen)
{
    m_backend->SetMonitors({{{0, 0, 400, 300}, false},
                            {{400, 0, 700, 200}, true},
                            {{0, 0, 400, 300}, false},
                            {{700, 0, 900, 100}, false}});
    const std::vector<Listed> listed = ListMonitors();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_TRUE(Same(listed[0].area, RECT{400, 0, 640, 200}));
    EXPECT_TRUE(Same(listed[1].area, RECT{0, 0, 400, 300}));
    EXPECT_EQ(InfoOf(listed[0].handle).dwFlags, static_cast<DWORD>(MONITORINFOF_PRIMARY));
    EXPECT_EQ(InfoOf(listed[1].handle).dwFlags, 0u);
    EXPECT_TRUE(Same(InfoOf(listed[1].handle).rcMonitor, RECT{0, 0, 400, 300}));
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
    EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 640);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 300);

    // Without a flag the first one is the primary.
    m_backend->SetMonitors({{{320, 0, 640, 480}, false}, {{0, 0, 320, 480}, false}});
    EXPECT_EQ(InfoOf(ListMonitors()[0].handle).dwFlags, static_cast<DWORD>(MONITORINFOF_PRIMARY));
    EXPECT_TRUE(Same(ListMonitors()[0].area, RECT{320, 0, 640, 480}));
}

TEST_F(Monitors, AClipLeavesOutTheMonitorsItMissesAndCutsTheOthers)
{
    m_backend->SetMonitors({{{0, 0, 320, 480}, true}, {{320, 0, 640, 480}, false}});
    const RECT clip{300, 100, 310, 110};
    const std::vector<Listed> listed = ListMonitors(&clip);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_TRUE(Same(listed[0].area, clip));
}

TEST_F(Monitors, APointFindsItsMonitorTheNearestOrNone)
{
    m_backend->SetMonitors({{{0, 0, 320, 240}, true}, {{320, 0, 640, 480}, false}});
    const HMONITOR right = MonitorFromPoint(POINT{400, 400}, MONITOR_DEFAULTTONULL);
    ASSERT_TRUE(right);
    EXPECT_TRUE(Same(InfoOf(right).rcMonitor, RECT{320, 0, 640, 480}));
    // Below the left monitor, nearer to it than to the right one.
    EXPECT_EQ(MonitorFromPoint(POINT{100, 300}, MONITOR_DEFAULTTONULL), nullptr);
    const HMONITOR nearest = MonitorFromPoint(POINT{100, 300}, MONITOR_DEFAULTTONEAREST);
    EXPECT_TRUE(Same(InfoOf(nearest).rcMonitor, RECT{0, 0, 320, 240}));
    m_backend->SetMonitors({{{0, 0, 320, 240}, false}, {{320, 0, 640, 480}, true}});
    const HMONITOR primary = MonitorFromPoint(POINT{100, 300}, MONITOR_DEFAULTTOPRIMARY);
    EXPECT_TRUE(Same(InfoOf(primary).rcMonitor, RECT{320, 0, 640, 480}));
}

TEST_F(Monitors, AHandleOfAMonitorThatIsGoneOrASmallStructureFails)
{
    m_backend->SetMonitors({{{0, 0, 320, 480}, true}, {{320, 0, 640, 480}, false}});
    const HMONITOR second = ListMonitors()[1].handle;
    m_backend->SetMonitors({{{0, 0, 640, 480}, true}});
    MONITORINFO info{};
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetMonitorInfoA(second, &info));
    EXPECT_FALSE(GetMonitorInfoA(nullptr, &info));
    info.cbSize = sizeof info - 1;
    EXPECT_FALSE(GetMonitorInfoA(ListMonitors()[0].handle, &info));
}

// Top-level windows hear of a change; children and other threads' queues
// are not bothered with it.
TEST_F(Monitors, AChangeReachesEveryTopLevelWindowOnce)
{
    TestClass windowClass("monitor-watcher");
    HWND first = MakePopup(windowClass, RECT{0, 0, 100, 100});
    HWND second = MakePopup(windowClass, RECT{100, 0, 200, 100});
    HWND child = MakeChild(windowClass, first, RECT{0, 0, 10, 10});
    PumpAll();
    MessageLog::Instance().Clear();

    m_backend->SetMonitors({{{0, 0, 320, 480}, true}, {{320, 0, 640, 480}, false}});
    PumpAll();
    for (HWND window : {first, second})
        EXPECT_EQ(Only(MessageLog::Instance().MessagesOf(window), {WM_DISPLAYCHANGE}).size(), 1u);
    EXPECT_TRUE(Only(MessageLog::Instance().MessagesOf(child), {WM_DISPLAYCHANGE}).empty());
}

}  // namespace
}  // namespace vesper::test
