#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the web page with Debian's Emscripten: index.html, its style, script,
# service worker, manifest and icons, vendrask.js and vendrask.wasm in the
# build folder, ready for any static web host. The same commit gives the same files byte for byte.
#   tools/build_web.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-web}
umask 022
export LC_ALL=C.UTF-8
# Emscripten's tools find their JavaScript modules there when node is not Debian's.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
tools/ensure_packages.sh web
# (emcmake says on standard error what it runs.)
emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVENDRASK_TESTS=OFF -DVENDRASK_BENCHMARKS=OFF \
  ${VENDRASK_WERROR:+-DVENDRASK_WERROR=$VENDRASK_WERROR} >/dev/null 2> >(grep -v '^configure:' >&2)
cmake --build "$build" -j "$(nproc)" >/dev/null
echo "Built the page in $build/; serve it on http://127.0.0.1:8417/ with: make web-serve"
