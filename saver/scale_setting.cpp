#include "saver/scale_setting.h"

#include <cstdio>

#include "platform/kernel/profile_path.h"
#include "saver/speed_setting.h"

namespace {

// Longer than any scale: a longer value is cut, and a cut one is no scale either.
constexpr DWORD kLongestValue = 64;

}  // namespace

ScaleChoice ReadScaleSetting()
{
    char text[kLongestValue + 1] = {};
    GetPrivateProfileStringA(kSettingsSection, kScaleKey, "", text, sizeof text, kSettingsFile);
    if (text[0] == '\0')
        return kDefaultScale;
    if (const std::optional<ScaleChoice> choice = ParseScaleChoice(text))
        return *choice;
    const std::string where = "the key \"" + std::string(kScaleKey) + "\" of [" + kSettingsSection + "]";
    std::fprintf(stderr, "vesper: %s: %s; %s is used.\n", vesper::platform::ProfileFilePath(kSettingsFile).c_str(),
                 BadScaleMessage(where, text).c_str(), ScaleChoiceText(kDefaultScale).c_str());
    return kDefaultScale;
}
