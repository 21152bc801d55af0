#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the landscape generator and its exact-value tests for another Debian
# architecture with Debian's cross compiler, and runs them under qemu-user;
# for "windows", with mingw-w64, run under wine.
#   tools/cross_check.sh ARCH...   (arm64 armel armhf i386 mips64el ppc64el s390x windows)
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || { echo "usage: $0 ARCH..." >&2; exit 2; }
debian=()
for arch in "$@"; do
  if [ "$arch" = windows ]; then tools/ensure_packages.sh windows; else debian+=("$arch"); fi
done
[ ${#debian[@]} -eq 0 ] || tools/ensure_packages.sh cross "${debian[@]}"
for arch in "$@"; do
  build=build-cross-$arch
  start=$(date +%s)
  if [ "$arch" = windows ]; then
    toolchain=(--toolchain cmake/mingw-w64.cmake -DVENDRASK_MINGW_THREADS=posix)
  else
    toolchain=(--toolchain cmake/debian-cross.cmake -DVENDRASK_ARCH="$arch")
  fi
  cmake --no-warn-unused-cli -S . -B "$build" "${toolchain[@]}" \
    -DVENDRASK_VIEWER=OFF -DVENDRASK_BENCHMARKS=OFF -DVENDRASK_WERROR=ON >/dev/null
  cmake --build "$build" -j "$(nproc)" --target random_source_test landscape_test >/dev/null
  # The long run of regenerations and the forking death test are left to the
  # native builds.
  ctest --test-dir "$build" -L repro -E 'Thousand|Death|one_process' --no-tests=error --output-on-failure -j "$(nproc)" |
    grep -E 'tests passed|Failed|\*\*\*'
  echo "$arch: exact values as pinned ($(($(date +%s) - start)) s, build included)"
done
