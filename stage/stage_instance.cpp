// The program's one stage.
//
// Start-up builds three static objects in this order: the default palette
// object, the application object, the stage. The order holds without putting
// them in one file: g_defaultPalette (imaging/default_palette.cpp) has a
// constant constructor, it only nulls its handle, so it is complete before
// any object is constructed at run time, the stage included; the application
// object only gives the framework its state and neither it nor the stage
// uses the other while being built or destroyed. The stage's constructor
// measures the display (g_nDisplayBits) through GDI, whose state is made on
// first use and outlives every static object, and no static object reaches
// the stage while it is built.
#include "stage/saver_stage.h"

CSaverStage g_stage;
