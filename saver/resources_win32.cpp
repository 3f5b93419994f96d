// On Windows dialog resource 2003 is in the program's resource section
// (tools/vesper/vesper.rc, made from saver/config_dialog_template.h), where
// DialogBoxParamA finds it: there is nothing to register.
#include "saver/resources.h"

void RegisterSaverResources() {}
