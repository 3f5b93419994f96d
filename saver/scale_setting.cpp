#include "saver/scale_setting.h"

#include <cstdio>

#include "platform/kernel/profile_path.h"
#include "saver/speed_setting.h"
#include "platform/kernel/translation.h"

namespace {

// Longer than any scale: a longer value is cut, and a cut one is no scale either.
constexpr DWORD kLongestValue = 64;

}  // namespace

std::string StoredScaleKey()
{
    return vesper::Fill(vesper::Tr("the key \"%s\" of [%s]"), {kScaleKey, kSettingsSection});
}

std::string StoredScaleRefusedLine(const std::string& refusal)
{
    return vesper::Fill(vesper::Tr("vesper: %s: %s; %s is used.\n"),
                        {vesper::platform::ProfileFilePath(kSettingsFile), refusal, ScaleChoiceText(kDefaultScale)});
}

ScaleChoice ReadScaleSetting()
{
    char text[kLongestValue + 1] = {};
    GetPrivateProfileStringA(kSettingsSection, kScaleKey, "", text, sizeof text, kSettingsFile);
    if (text[0] == '\0')
        return kDefaultScale;
    if (const std::optional<ScaleChoice> choice = ParseScaleChoice(text))
        return *choice;
    std::fputs(StoredScaleRefusedLine(BadScaleMessage(StoredScaleKey(), text)).c_str(), stderr);
    return kDefaultScale;
}
