// The line that follows the document's own message box when a scene cannot
// be loaded: which file, what is wrong and where, for whoever started the
// player (its standard error) or opened the file (the page).
#pragma once

#include <string>

class CVesperDoc;

// "the scene in PATH cannot be loaded: WHAT (at byte N of the file).", in the
// user's language; a null document is one that could not be made (out of
// memory).
std::string SceneNotLoadedText(const std::string& path, const CVesperDoc* document);
