# Building for the browser (WebAssembly, wasm32) with Debian's emscripten
# package: its own toolchain file, which finds emcc and its system libraries.
# emcc runs on Debian's Node.js modules (NODE_PATH=/usr/share/nodejs, which
# scripts/build.sh sets).
#
#   cmake -S . -B build/web-cmake -DCMAKE_TOOLCHAIN_FILE=cmake/web-wasm32.cmake
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
