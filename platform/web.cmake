# In the browser (WebAssembly) the display is the page's canvas
# (drivers/web/). The native backends (SDL2, Xlib), the text faces read
# through fontconfig and SDL2_ttf and the yescrypt password store have no
# counterpart there and are left out: the page draws its own texts and
# dialogs in HTML and is no lock. The texts stay English there
# (kernel/translation_web.cpp), without gettext's catalogues.
file(GLOB_RECURSE sources RELATIVE "${CMAKE_CURRENT_SOURCE_DIR}" CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
list(FILTER sources EXCLUDE REGEX "^drivers/sdl/|^drivers/wayland/|_win32\\.cpp$|^gdi/gdi_text_font\\.cpp$|^password/password_store\\.cpp$|^kernel/translation\\.cpp$")
vesper_add_library(vesper_platform SOURCES ${sources})
