# SPDX-License-Identifier: MIT
# Cross-compiles for 64-bit Windows with Debian's mingw-w64 and runs what it
# builds under wine:
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64.cmake -DFreeGLUT_DIR=<freeglut>/lib/cmake/FreeGLUT
# The program uses the win32 thread model, which needs no threading library.
# GoogleTest needs std::mutex, which only the posix model has: the tests are
# built with -DVENDRASK_MINGW_THREADS=posix, the same GCC with the same
# arithmetic, linked as statically.
# Packages: g++-mingw-w64-x86-64 and wine64 (tools/ensure_packages.sh windows).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VENDRASK_MINGW_THREADS)
if(NOT VENDRASK_MINGW_THREADS)
  set(VENDRASK_MINGW_THREADS win32)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triplet}-gcc-${VENDRASK_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${_triplet}-g++-${VENDRASK_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${_triplet}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained exe: the C and C++ runtimes linked in, and no link time
# stamp in the PE header, so that the same sources give the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")

# tools/wine.sh runs it in the project's own wine prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine.sh)
