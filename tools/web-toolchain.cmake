# web-toolchain.cmake - builds the demo for the browser with Debian's
# emscripten. The libraries come from the folder DEMO_WEB_DEPS, where
# tools/web-deps.sh installs them, and are linked statically into the one
# WebAssembly module.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

set(DEMO_WEB_DEPS "" CACHE PATH "Where tools/web-deps.sh installed zlib, libpng and libopenmpt")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DEMO_WEB_DEPS)
list(APPEND CMAKE_FIND_ROOT_PATH ${DEMO_WEB_DEPS})

set(ENV{PKG_CONFIG_LIBDIR} ${DEMO_WEB_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static)

# libopenmpt reports failures by throwing inside its C API, so the whole
# program is built with exceptions.
set(CMAKE_C_FLAGS_INIT -fexceptions)
set(CMAKE_CXX_FLAGS_INIT -fexceptions)
set(CMAKE_EXE_LINKER_FLAGS_INIT -fexceptions)
