# windows-toolchain.cmake - cross-builds the demo for 64-bit Windows with
# mingw-w64 (its posix thread model, for std::thread and std::mutex). The
# libraries come from the folder DEMO_WINDOWS_DEPS, where
# tools/windows-deps.sh installs them, and are linked statically, so that
# the program needs no DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(DEMO_WINDOWS_DEPS "" CACHE PATH "Where tools/windows-deps.sh installed zlib, libpng and libopenmpt")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DEMO_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${DEMO_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees only the cross-built libraries, with what static linking
# of each needs.
set(ENV{PKG_CONFIG_LIBDIR} ${DEMO_WINDOWS_DEPS}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static)

# The C++ runtime and the thread library inside the program, too.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
