// CWinApp: the application object's base. A program derives it once and makes
// one static object of it; the framework keeps no further state there, and
// the program's own entry point runs the program.
#pragma once

#include "framework/object.h"

class CWinApp : public CObject {
    DECLARE_DYNAMIC(CWinApp)

public:
    // Constant, so that a static application object is complete before any
    // static object with a run-time constructor is built.
    constexpr CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
};
