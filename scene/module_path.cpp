#include "scene/module_path.h"

std::string g_szModulePath;
