#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks formatting (clang-format) and lints (clang-tidy) every C++ source.
#   tools/lint.sh [build-dir]     build-dir holds compile_commands.json
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mapfile -t sources < <(git ls-files '*.cpp' '*.h')

clang-format --dry-run --Werror "${sources[@]}"

# Tests and benchmarks too, whatever the build was last configured with.
cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DVENDRASK_TESTS=ON -DVENDRASK_BENCHMARKS=ON >/dev/null
mapfile -t units < <(git ls-files '*.cpp')
printf '%s\n' "${units[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet --warnings-as-errors='*' 2>/dev/null
echo "format and lint: clean"
