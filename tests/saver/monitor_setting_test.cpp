// The "monitors" setting: the three words it takes, and how a stored value
// is read (missing, sound, or bad: reported, the default used, the file
// left alone).
#include <gtest/gtest.h>

#include "saver/monitor_setting.h"
#include "tests/platform/kernel/settings_test_env.h"
#include "tests/support/language.h"

namespace {

using vesper::test::ReadText;
using vesper::test::WriteText;

TEST(MonitorLayoutText, EveryWordReadsBackAndNothingElseReads)
{
    for (const MonitorLayout layout : {MonitorLayout::each, MonitorLayout::span, MonitorLayout::primary})
        EXPECT_EQ(ParseMonitorLayout(MonitorLayoutText(layout)), layout);
    for (const char* bad : {"", "both", "Each", " span", "span ", "primaryx", "0", "all"})
        EXPECT_EQ(ParseMonitorLayout(bad), std::nullopt) << "\"" << bad << "\"";
}

class MonitorSetting : public vesper::test::UserFolderTest {
protected:
    std::filesystem::path File() { return VesperFolder() / "vesper.ini"; }
};

TEST_F(MonitorSetting, MissingFileOrKeyGivesEachAndSaysNothing)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadMonitorSetting(), MonitorLayout::each);
    WriteText(File(), "[settings]\nspeed=40\n");
    EXPECT_EQ(ReadMonitorSetting(), MonitorLayout::each);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(MonitorSetting, StoredWordsAreUsedBesideTheSpeed)
{
    for (const auto& [stored, layout] : {std::pair{"span", MonitorLayout::span}, {"primary", MonitorLayout::primary},
                                         {"each", MonitorLayout::each}}) {
        WriteText(File(), std::string("[settings]\nspeed=40\nmonitors=") + stored + "\n");
        EXPECT_EQ(ReadMonitorSetting(), layout) << stored;
    }
}

TEST_F(MonitorSetting, ABadValueIsReportedOnceNamingFileAndKeyAndTheFileStaysAsItIs)
{
    const std::string content = "[settings]\nspeed=40\nmonitors=both\n";
    WriteText(File(), content);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadMonitorSetting(), MonitorLayout::each);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    for (const char* part : {"vesper.ini", "\"monitors\"", "\"both\"", "each, span or primary"})
        EXPECT_NE(said.find(part), std::string::npos) << part << " in " << said;
    EXPECT_EQ(ReadText(File()), content);
}

TEST_F(MonitorSetting, TheReportSpeaksTheLocalesLanguage)
{
    ASSERT_TRUE(vesper::test::LocaleGenerated(vesper::test::kFrench)) << "scripts/setup.sh generates the locale";
    const vesper::test::ScopedLanguage french(vesper::test::kFrench);
    WriteText(File(), "[settings]\nmonitors=both\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadMonitorSetting(), MonitorLayout::each);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "vesper : vesper.ini, section [settings] : la cl\xc3\xa9 \"monitors\" contient \"both\", pas each, span ou "
              "primary ; each est utilis\xc3\xa9\n");
}

TEST_F(MonitorSetting, TheCommandLineChoiceWinsOverTheStoredOne)
{
    WriteText(File(), "[settings]\nmonitors=span\n");
    g_monitorLayoutOverride = MonitorLayout::primary;
    EXPECT_EQ(ChosenMonitorLayout(), MonitorLayout::primary);
    g_monitorLayoutOverride.reset();
    EXPECT_EQ(ChosenMonitorLayout(), MonitorLayout::span);
}

}  // namespace
