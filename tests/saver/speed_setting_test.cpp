// The speed setting: how it is stored and read, and how the configuration
// dialog's scroll bar changes it.
#include <gtest/gtest.h>

#include "saver/speed_setting.h"
#include "tests/platform/settings_test_env.h"

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

TEST(SpeedAfterScroll, ThumbCountsOnlyWhenReleased)
{
    EXPECT_EQ(SpeedAfterScroll(5, 80, 50), std::nullopt);  // SB_THUMBTRACK
    EXPECT_EQ(SpeedAfterScroll(4, 80, 50), 80);            // SB_THUMBPOSITION
    EXPECT_EQ(SpeedAfterScroll(4, 0, 50), 1);
    EXPECT_EQ(SpeedAfterScroll(4, 300, 50), 100);
}

TEST(SpeedAfterScroll, EndsAndUnknownCodes)
{
    EXPECT_EQ(SpeedAfterScroll(6, 0, 50), 1);    // SB_LEFT
    EXPECT_EQ(SpeedAfterScroll(7, 0, 50), 100);  // SB_RIGHT
    EXPECT_EQ(SpeedAfterScroll(8, 0, 50), std::nullopt);  // SB_ENDSCROLL
    EXPECT_EQ(SpeedAfterScroll(9, 0, 50), 50);
    // A speed out of range (read before any check) is brought back by any move.
    EXPECT_EQ(SpeedAfterScroll(9, 0, 250), 100);
}

}  // namespace
