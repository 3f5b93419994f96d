// The speed setting: how it is stored and read, and how the configuration
// dialog's scroll bar changes it.
#include <gtest/gtest.h>

#include "saver/speed_setting.h"
#include "tests/platform/kernel/settings_test_env.h"

namespace {

using vesper::test::WriteText;

class SpeedSetting : public vesper::test::UserFolderTest {
protected:
    void Store(const std::string& value)
    {
        WriteText(VesperFolder() / "vesper.ini", "[settings]\nspeed=" + value + "\n");
    }
};

TEST_F(SpeedSetting, MissingFileOrKeyReadsAsTheFastest)
{
    EXPECT_EQ(ReadSpeedSetting(), 100);
    WriteText(VesperFolder() / "vesper.ini", "[settings]\nother=3\n");
    EXPECT_EQ(ReadSpeedSetting(), 100);
}

TEST_F(SpeedSetting, StoredValuesAreUsedAsReadButTheDialogKeepsThemInRange)
{
    for (const auto& [stored, asRead, inRange] :
         {std::tuple{"37", 37, 37}, {"0", 0, 100}, {"250", 250, 100}, {"-5", -5, 100}, {"1", 1, 1}, {"100", 100, 100}}) {
        Store(stored);
        EXPECT_EQ(ReadSpeedSetting(), asRead) << stored;
        EXPECT_EQ(ReadSpeedSettingInRange(), inRange) << stored;
    }
}

// The thumb counts only when released, the ends jump to the range's ends,
// moves stop at them, and a speed out of range (read before any check) is
// brought back by any move; none means the speed stays as it is.
TEST(SpeedAfterScroll, EachScrollCodeFromEveryPlace)
{
    const struct {
        int code;
        int thumbPosition;
        int speed;
        std::optional<int> after;
    } cases[] = {
        {SB_THUMBTRACK, 80, 50, std::nullopt}, {SB_THUMBPOSITION, 80, 50, 80}, {SB_THUMBPOSITION, 0, 50, 1},
        {SB_THUMBPOSITION, 300, 50, 100},      {SB_LEFT, 0, 50, 1},             {SB_RIGHT, 0, 50, 100},
        {SB_ENDSCROLL, 0, 50, std::nullopt},   {SB_LINELEFT, 0, 1, 1},          {SB_PAGERIGHT, 0, 100, 100},
        {9, 0, 50, 50},                        {9, 0, 250, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "code " << c.code << " at speed " << c.speed);
        EXPECT_EQ(SpeedAfterScroll(c.code, c.thumbPosition, c.speed), c.after);
    }
}

}  // namespace
