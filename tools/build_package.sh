#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package, and only what it holds, with the hardening flags
# dpkg-buildflags gives. The same commit gives the same .deb byte for byte,
# whatever the checkout's path, umask or time zone: the date is the last
# commit's unless SOURCE_DATE_EPOCH says otherwise.
#   tools/build_package.sh [build-dir]      prints the package's path
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
umask 022
export TZ=UTC LC_ALL=C.UTF-8
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=None -DVENDRASK_TESTS=OFF -DVENDRASK_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
rm -f "$build"/vendrask_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/vendrask_*.deb
