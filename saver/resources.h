// The saver's resources that are not strings: the configuration dialog
// template (dialog resource 2003), registered with the platform's resource
// table. The entry point registers them before any dialog runs.
#pragma once

#include "platform/win32.h"

inline constexpr WORD kConfigurationDialog = 2003;

// Registers the saver's dialog templates; calling it again changes nothing.
void RegisterSaverResources();
