// Dialog resource 2003 as a template of the platform's dialog manager, made
// from the description that the Windows program's resource script is made
// from too (saver/config_dialog_template.h).
#include "saver/resources.h"

#include "platform/user/dialog/dialog_template.h"

namespace {

using vesper::platform::DialogItemTemplate;
using vesper::platform::DialogTemplate;

DialogTemplate ConfigurationTemplate()
{
    DialogTemplate dialog;
#define VESPER_TEMPLATE_DIALOG(x_, y_, cx_, cy_, style_, caption_, pointSize_, faceName_) \
    dialog.style = style_;                                                              \
    dialog.x = x_;                                                                      \
    dialog.y = y_;                                                                      \
    dialog.cx = cx_;                                                                    \
    dialog.cy = cy_;                                                                    \
    dialog.caption = caption_;                                                          \
    dialog.pointSize = pointSize_;                                                      \
    dialog.faceName = faceName_;
    VESPER_CONFIG_DIALOG(VESPER_TEMPLATE_DIALOG)
#undef VESPER_TEMPLATE_DIALOG
#define VESPER_TEMPLATE_CONTROL(className, text, id, x, y, cx, cy, style) \
    DialogItemTemplate{className, text, id, x, y, cx, cy, style, 0},
    dialog.items = {VESPER_CONFIG_DIALOG_CONTROLS(VESPER_TEMPLATE_CONTROL)};
#undef VESPER_TEMPLATE_CONTROL
    return dialog;
}

}  // namespace

void RegisterSaverResources()
{
    vesper::platform::RegisterDialogTemplate(MAKEINTRESOURCEA(kConfigurationDialog), ConfigurationTemplate());
}
