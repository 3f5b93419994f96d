// Whether a saver's title and credit line fit the configuration dialog that
// shows them: the dialog is made on a headless screen with its own
// procedure, and each text is measured in its control's font through the
// platform's text functions.
#pragma once

#include <string>
#include <vector>

namespace vesper::tools {

// One warning per text (8-bit Windows-1252 characters, as the dialog shows
// them) that is wider than its control and would be cut off.
std::vector<std::string> DialogFitWarnings(const std::string& title8, const std::string& credit8);

}  // namespace vesper::tools
