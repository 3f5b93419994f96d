// The running program as a module: its instance handle and its file's path.
#pragma once

#include <string>

#include "platform/win32.h"

namespace vesper::platform {

// The instance handle of the program itself: what GetModuleHandleA(NULL)
// returns and what the program's entry point receives as its instance.
HINSTANCE ProgramInstance();

// The full path of the running program's file, whatever its length (never cut
// to a buffer size); empty only when the system cannot tell it.
std::string ModulePath();

}  // namespace vesper::platform
