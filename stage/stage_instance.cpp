// The program's one stage.
//
// Start-up builds three static objects in this order: the default palette
// object, the application object, the stage. The order holds without putting
// them in one file: g_defaultPalette (imaging) and the application object
// theApp (a CSaverApp, in saver) have constant constructors that only
// null their state, so they are complete before any object with a run-time
// constructor is built, the stage included. None of the three uses another
// while it is built or destroyed, so nothing depends on the order at exit.
// The stage's constructor measures the display (g_nDisplayBits) through GDI,
// whose state is made on first use and outlives every static object.
#include "stage/saver_stage.h"

CSaverStage g_stage;
