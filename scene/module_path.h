// The full path of the running program, which holds the scene appended to it.
// The saver procedure fills it when the saver window is created; the scene
// document reads it when it loads its embedded scene.
#pragma once

#include <string>

extern std::string g_szModulePath;
