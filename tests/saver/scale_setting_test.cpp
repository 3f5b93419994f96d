// The scale setting: read beside the speed; a bad stored value is named on
// standard error, replaced by auto for the run and left in the file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "saver/scale_setting.h"
#include "saver/stage_layout.h"
#include "tests/platform/kernel/settings_test_env.h"
#include "tests/support/language.h"

namespace {

using vesper::test::WriteText;

class ScaleSetting : public vesper::test::UserFolderTest {
protected:
    std::filesystem::path File() { return VesperFolder() / "vesper.ini"; }

    void Store(const std::string& value) { WriteText(File(), "[settings]\nspeed=40\nscale=" + value + "\n"); }

    std::string FileText()
    {
        std::ifstream in(File());
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(ScaleSetting, MissingOrEmptyReadsAsAutoQuietly)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadScaleSetting(), kAutoScale);
    WriteText(File(), "[settings]\nspeed=40\n");
    EXPECT_EQ(ReadScaleSetting(), kAutoScale);
    Store("");
    EXPECT_EQ(ReadScaleSetting(), kAutoScale);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(ScaleSetting, StoredScalesAreRead)
{
    Store("auto");
    EXPECT_EQ(ReadScaleSetting(), kAutoScale);
    Store("2");
    EXPECT_EQ(ReadScaleSetting(), ScaleChoice{2});
    Store("3   ");  // trailing blanks are no part of a profile value
    EXPECT_EQ(ReadScaleSetting(), ScaleChoice{3});
}

TEST_F(ScaleSetting, ABadValueIsOneLineNamingFileAndKeyAndTheFileStays)
{
    for (const std::string& bad : std::vector<std::string>{"0", "-2", "big", "1.5", std::string(200, '7')}) {
        Store(bad);
        const std::string before = FileText();
        testing::internal::CaptureStderr();
        EXPECT_EQ(ReadScaleSetting(), kAutoScale) << bad;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find(File().string()), std::string::npos) << said;
        EXPECT_NE(said.find("\"scale\""), std::string::npos) << said;
        EXPECT_NE(said.find("auto, 1, 2, 3"), std::string::npos) << said;
        EXPECT_EQ(FileText(), before);
    }
}

TEST_F(ScaleSetting, AStoredScaleTooLargeForTheScreenIsNamedAndAutoUsed)
{
    Store("3");
    testing::internal::CaptureStderr();
    const StageLayout fits = StoredScaleStageLayout(SIZE{1920, 1080}, ReadScaleSetting(), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(fits.factor, 3);
    EXPECT_EQ(fits.stage.cx, 640);

    Store("1500");
    const std::string before = FileText();
    testing::internal::CaptureStderr();
    const StageLayout fallback = StoredScaleStageLayout(SIZE{1920, 1080}, ReadScaleSetting(), nullptr);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(fallback.factor, 1);  // auto on 1920x1080, no desktop scale on the headless screen
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(File().string()), std::string::npos) << said;
    EXPECT_NE(said.find("\"scale\""), std::string::npos) << said;
    EXPECT_NE(said.find("1920x1080"), std::string::npos) << said;
    EXPECT_EQ(FileText(), before);
}

// The warnings in French where the locale is French: the whole line, file and
// key kept as they are.
TEST_F(ScaleSetting, TheWarningsSpeakTheLocalesLanguage)
{
    ASSERT_TRUE(vesper::test::LocaleGenerated(vesper::test::kFrench)) << "scripts/setup.sh generates the locale";
    const vesper::test::ScopedLanguage french(vesper::test::kFrench);
    Store("big");
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadScaleSetting(), kAutoScale);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "vesper : " + File().string() +
                  " : la cl\xc3\xa9 \"scale\" de [settings] accepte auto, 1, 2, 3, ... (auto, ou un nombre entier de 1 "
                  "ou plus), pas \"big\" ; auto est utilis\xc3\xa9.\n");

    Store("1500");
    testing::internal::CaptureStderr();
    StoredScaleStageLayout(SIZE{1920, 1080}, ReadScaleSetting(), nullptr);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("une \xc3\xa9" "chelle de 1500 ne laisse aucune sc\xc3\xa8ne sur 1920x1080 pixels "
                        "(au plus 1080 ici)"),
              std::string::npos)
        << said;
    EXPECT_EQ(said.find("takes"), std::string::npos) << said;
}

}  // namespace
