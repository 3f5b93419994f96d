// The password prompt on the dialog system: each question is a dialog with a
// masked edit, OK and Annuler; each notice a message box.
#pragma once

namespace vesper::platform {

// Makes the dialogs the current password prompt (for the rest of the process).
void UseDialogPasswordPrompt();

}  // namespace vesper::platform
