#include "framework/app.h"

IMPLEMENT_DYNAMIC(CWinApp, CObject)
