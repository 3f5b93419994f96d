// Dialog resource 2003 as a template of the platform's dialog manager, made
// from the description that the Windows program's resource script is made
// from too (saver/config_dialog_template.h), in the user's language.
#include "saver/resources.h"

#include "platform/kernel/translation.h"
#include "platform/user/dialog/dialog_template.h"

namespace {

using vesper::platform::DialogItemTemplate;
using vesper::platform::DialogTemplate;

DialogTemplate ConfigurationTemplate()
{
    DialogTemplate dialog;
// The parameters are named apart from the fields: a macro parameter x would
// also replace the x of dialog.x.
#define VESPER_TEMPLATE_DIALOG(left, top, width, height, windowStyle, title, points, face) \
    dialog.style = windowStyle;                                                          \
    dialog.x = left;                                                                     \
    dialog.y = top;                                                                      \
    dialog.cx = width;                                                                   \
    dialog.cy = height;                                                                  \
    dialog.caption = vesper::TrWindows(title);                                           \
    dialog.pointSize = points;                                                           \
    dialog.faceName = face;
    VESPER_CONFIG_DIALOG(VESPER_TEMPLATE_DIALOG)
#undef VESPER_TEMPLATE_DIALOG
#define VESPER_TEMPLATE_CONTROL(className, text, id, x, y, cx, cy, style) \
    DialogItemTemplate{className, vesper::TrWindows(text), id, x, y, cx, cy, style, 0},
    dialog.items = {VESPER_CONFIG_DIALOG_CONTROLS(VESPER_TEMPLATE_CONTROL)};
#undef VESPER_TEMPLATE_CONTROL
    return dialog;
}

}  // namespace

void RegisterSaverResources()
{
    vesper::platform::RegisterDialogTemplate(MAKEINTRESOURCEA(kConfigurationDialog), ConfigurationTemplate());
}
