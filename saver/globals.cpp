#include "saver/globals.h"

#include "framework/app.h"

HINSTANCE g_hInstance = nullptr;
int g_nSpeed = 0;
int g_nSpeedOverride = 0;
std::optional<ScaleChoice> g_scaleOverride;

namespace {

// The application object: it only gives the framework its application
// object, and the program's own WinMain runs the program.
class CSaverApp : public CWinApp {
public:
    constexpr CSaverApp() = default;
};

}  // namespace

// Start-up builds the default palette object, the application object and the
// stage in that order: the first two have constant constructors, so they are
// complete before any static object with a run-time constructor is built, the
// stage among them; at exit the stage goes first. Defined beside the globals
// every part of the saver uses, so that the linker always keeps it.
constinit CSaverApp theApp;
