// The program's entry: the command tail chooses the run mode (full-screen
// saving, preview in a host window, configuration, password change).
#pragma once

#include "platform/win32.h"

enum class RunMode {
    configure,       // "C": the configuration dialog, owned by the foreground window
    configureAlone,  // end of text: the configuration dialog without owner
    save,            // "S": full-screen saving
    preview,         // "P", "L": preview inside the host window
    changePassword,  // "A": change the screen saver password
    invalid,         // any other character: exit code -1
};

struct RunRequest {
    RunMode mode = RunMode::invalid;
    // The digits after "P", "L" and "A" (blanks skipped first); 0 without.
    DWORD windowNumber = 0;
};

// Reads the first command letter, skipping blanks, "-" and "/" before it;
// whatever follows the letter is ignored except the window number of "P",
// "L" and "A".
RunRequest ParseCommandLine(LPCSTR commandTail);

// The window number at the start of the text as a 32-bit value, wrapping at
// 32 bits: decimal digits, or hexadecimal ones after "0x" (the form X tools
// print window ids in); no sign; 0 when there is no digit.
DWORD ParseWindowHandle(LPCSTR text);
HWND WindowFromNumber(DWORD number);

// Whether the run mode shows windows, so that it needs a display.
bool NeedsDisplay(RunMode mode);

// Runs the mode the command tail asks for and returns the exit code.
int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandTail, int showState);

// The modal configuration dialog (resource 2003) with the given owner (none:
// without owner); 1 after OK, 0 after Annuler.
INT_PTR ConfigureSaver(HWND owner);

// The password module of the network provider changes the password; missing
// module or function: nothing happens.
void ChangeSaverPassword(HWND owner);
