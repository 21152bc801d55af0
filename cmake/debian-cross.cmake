# SPDX-License-Identifier: MIT
# Cross-compiles with Debian's cross compiler for the Debian architecture
# VENDRASK_ARCH and runs what it builds under qemu-user:
#   cmake -S . -B build-arm64 --toolchain cmake/debian-cross.cmake -DVENDRASK_ARCH=arm64
# Packages: g++-<triplet>, qemu-user and dpkg-dev (tools/cross_check.sh installs them).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VENDRASK_ARCH)

# The GNU triplet and processor of a Debian architecture, as dpkg knows them.
execute_process(COMMAND dpkg-architecture -a "${VENDRASK_ARCH}" -qDEB_HOST_GNU_TYPE
  OUTPUT_VARIABLE _triplet OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
execute_process(COMMAND dpkg-architecture -a "${VENDRASK_ARCH}" -qDEB_HOST_GNU_CPU
  OUTPUT_VARIABLE _cpu OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT VENDRASK_ARCH OR NOT _triplet)
  message(FATAL_ERROR "Set VENDRASK_ARCH to a Debian architecture, such as arm64 or s390x")
endif()
# qemu-user names two of the processors otherwise.
string(REGEX REPLACE "^i.86$" "i386" _qemu "${_cpu}")
string(REPLACE "powerpc64le" "ppc64le" _qemu "${_qemu}")

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${_cpu})
set(CMAKE_C_COMPILER ${_triplet}-gcc)
set(CMAKE_CXX_COMPILER ${_triplet}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${_qemu} -L /usr/${_triplet})
