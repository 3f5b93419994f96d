// The one header through which engine code reaches the platform. On Windows it
// is the system's own API; elsewhere it is Vesper's layer with the same names,
// types and documented behaviour.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/api/win32_types.h"
#include "platform/api/win32_kernel.h"
#include "platform/api/win32_gdi.h"
#include "platform/api/win32_user.h"
#include "platform/api/win32_advapi.h"
#include "platform/api/win32_winmm.h"
#include "platform/api/win32_strings.h"
#endif
