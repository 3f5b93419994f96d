// The saver's resources that are not strings: the configuration dialog
// template (dialog resource 2003, saver/config_dialog_template.h), registered
// with the platform's resource table. The entry point registers them before
// any dialog runs. A Windows program carries them in its own resources.
#pragma once

#include "platform/win32.h"
#include "saver/config_dialog_template.h"

inline constexpr WORD kConfigurationDialog = VESPER_CONFIG_DIALOG_ID;

// Registers the saver's dialog templates; calling it again changes nothing.
void RegisterSaverResources();
