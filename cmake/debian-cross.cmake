# SPDX-License-Identifier: MIT
# Cross-compiles with Debian's cross compiler for the Debian architecture
# VENDRASK_ARCH and runs what it builds under qemu-user:
#   cmake -S . -B build-arm64 --toolchain cmake/debian-cross.cmake -DVENDRASK_ARCH=arm64
# Packages: g++-<triplet> and qemu-user (tools/cross_check.sh installs them).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VENDRASK_ARCH)

# Debian architecture, GNU triplet, qemu-user's name for the processor.
set(_arches
  arm64 aarch64-linux-gnu aarch64
  armel arm-linux-gnueabi arm
  armhf arm-linux-gnueabihf arm
  i386 i686-linux-gnu i386
  mips64el mips64el-linux-gnuabi64 mips64el
  ppc64el powerpc64le-linux-gnu ppc64le
  s390x s390x-linux-gnu s390x)
list(FIND _arches "${VENDRASK_ARCH}" _at)
if(NOT VENDRASK_ARCH OR _at EQUAL -1 OR NOT _at MATCHES "^(0|3|6|9|12|15|18)$")
  message(FATAL_ERROR "Set VENDRASK_ARCH to one of arm64, armel, armhf, i386, mips64el, ppc64el, s390x")
endif()
math(EXPR _triplet_at "${_at} + 1")
math(EXPR _qemu_at "${_at} + 2")
list(GET _arches ${_triplet_at} _triplet)
list(GET _arches ${_qemu_at} _qemu)

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${_qemu})
set(CMAKE_C_COMPILER ${_triplet}-gcc)
set(CMAKE_CXX_COMPILER ${_triplet}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${_qemu} -L /usr/${_triplet})
