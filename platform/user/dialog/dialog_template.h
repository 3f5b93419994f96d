// Dialog templates as data, and the program's table of them: what a resource
// script's DIALOG statement says, registered under a numeric id
// (MAKEINTRESOURCE) or a name, and found by DialogBoxParamA and
// CreateDialogParamA.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace vesper::platform {

// Positions and sizes in dialog units.
struct DialogItemTemplate {
    // "Static", "Button", "ScrollBar" or "Edit" (any registered class will do).
    std::string className;
    std::string text;
    int id = -1;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    // WS_CHILD is added; WS_VISIBLE is not.
    DWORD style = 0;
    DWORD exStyle = 0;
};

struct DialogTemplate {
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    DWORD exStyle = 0;
    // Relative to the owner's client area (to the screen without an owner or
    // with DS_ABSALIGN); DS_CENTER centres the dialog on the screen instead.
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    std::string caption;
    // With DS_SETFONT: the dialog font, in points at 96 dots per inch.
    WORD pointSize = 0;
    std::string faceName;
    std::vector<DialogItemTemplate> items;
};

// Registers a template under a name or MAKEINTRESOURCE id, replacing one
// registered before under it. False for a null name.
bool RegisterDialogTemplate(LPCSTR name, DialogTemplate dialogTemplate);
// Names compare without regard to case; ids by number.
std::optional<DialogTemplate> FindDialogTemplate(LPCSTR name);

}  // namespace vesper::platform
