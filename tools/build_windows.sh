#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds vendrask.exe for 64-bit Windows with Debian's mingw-w64, linked
# with a static freeglut built from Debian's own freeglut source (once, then
# reused), and packs it reproducibly into the Windows zip.
#   tools/build_windows.sh [build-dir]      prints the zip's path
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}
umask 022
export LC_ALL=C.UTF-8
tools/ensure_packages.sh windows
mkdir -p "$build"
build=$(realpath "$build")
toolchain=$PWD/cmake/mingw-w64.cmake

freeglut=$build/freeglut
if [ ! -f "$freeglut/prefix/lib/cmake/FreeGLUT/FreeGLUTConfig.cmake" ]; then
  rm -rf "$freeglut"
  mkdir -p "$freeglut"
  (cd "$freeglut" && apt-get source -qq freeglut >/dev/null 2>&1)
  source=$(find "$freeglut" -mindepth 1 -maxdepth 1 -type d -name 'freeglut-*')
  # Static, with the GLUT names (GL/glut.h, libglut.a), no demos, desktop GL.
  cmake -S "$source" -B "$freeglut/build" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$freeglut/prefix" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
    -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_GLES=OFF \
    -DFREEGLUT_REPLACE_GLUT=ON >/dev/null
  # Its own warnings are not ours to mend: they go to the log.
  cmake --build "$freeglut/build" -j "$(nproc)" >"$freeglut/build.log" 2>&1 ||
    { cat "$freeglut/build.log"; exit 1; }
  cmake --install "$freeglut/build" >/dev/null
  install -D -m 644 "$source/COPYING" "$freeglut/prefix/share/doc/freeglut/COPYING"
fi

cmake -S . -B "$build" --toolchain "$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DFreeGLUT_DIR="$freeglut/prefix/lib/cmake/FreeGLUT" -DVENDRASK_TESTS=OFF -DVENDRASK_BENCHMARKS=OFF \
  ${VENDRASK_WERROR:+-DVENDRASK_WERROR=$VENDRASK_WERROR} >/dev/null
rm -f "$build"/vendrask-*-windows-x86_64.zip
cmake --build "$build" -j "$(nproc)" >/dev/null
ls "$build"/vendrask-*-windows-x86_64.zip
