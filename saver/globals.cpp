#include "saver/globals.h"

HINSTANCE g_hInstance = nullptr;
BOOL g_bPreview = FALSE;
int g_nSpeed = 0;
