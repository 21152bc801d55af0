#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the landscape generator and its exact-value tests for another Debian
# architecture with Debian's cross compiler, and runs them under qemu-user;
# for "windows", with mingw-w64, run under wine; for "web", with Emscripten,
# run under Node.
#   tools/cross_check.sh ARCH...   (arm64 armel armhf i386 mips64el ppc64el s390x windows web)
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || { echo "usage: $0 ARCH..." >&2; exit 2; }
debian=()
for arch in "$@"; do
  case $arch in
    windows | web) tools/ensure_packages.sh "$arch" ;;
    *) debian+=("$arch") ;;
  esac
done
[ ${#debian[@]} -eq 0 ] || tools/ensure_packages.sh cross "${debian[@]}"
for arch in "$@"; do
  build=build-cross-$arch
  start=$(date +%s)
  configure=(cmake)
  case $arch in
    windows) toolchain=(--toolchain cmake/mingw-w64.cmake -DVENDRASK_MINGW_THREADS=posix) ;;
    web)
      # Node reads the .wasm from disk only without its fetch.
      configure=(emcmake cmake)
      toolchain=("-DCMAKE_CROSSCOMPILING_EMULATOR=node;--no-experimental-fetch")
      export NODE_PATH=/usr/share/nodejs ;;
    *) toolchain=(--toolchain cmake/debian-cross.cmake -DVENDRASK_ARCH="$arch") ;;
  esac
  "${configure[@]}" --no-warn-unused-cli -S . -B "$build" "${toolchain[@]}" \
    -DVENDRASK_VIEWER=OFF -DVENDRASK_BENCHMARKS=OFF -DVENDRASK_WERROR=ON >/dev/null 2> >(grep -v '^configure:' >&2)
  cmake --build "$build" -j "$(nproc)" --target random_source_test landscape_test >/dev/null
  # The long run of regenerations and the forking death test are left to the
  # native builds.
  ctest --test-dir "$build" -L repro -E 'Thousand|Death|one_process' --no-tests=error --output-on-failure -j "$(nproc)" |
    grep -E 'tests passed|Failed|\*\*\*'
  echo "$arch: exact values as pinned ($(($(date +%s) - start)) s, build included)"
done
