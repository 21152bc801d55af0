#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks formatting (clang-format) and lints (clang-tidy) every C++ source,
# the page's with Emscripten's headers; lints the page's JavaScript, its
# test's and its benchmark's (ESLint) and every shell script (ShellCheck).
#   tools/lint.sh [build-dir]     build-dir holds compile_commands.json
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mapfile -t sources < <(git ls-files '*.cpp' '*.h')

clang-format --dry-run --Werror "${sources[@]}"

# Tests and benchmarks too, whatever the build was last configured with.
cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DVENDRASK_TESTS=ON -DVENDRASK_BENCHMARKS=ON >/dev/null
mapfile -t units < <(git ls-files '*.cpp' ':!web/')
printf '%s\n' "${units[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet --warnings-as-errors='*' 2>/dev/null

# The page's layer as Emscripten compiles it, against its headers (less the
# options meant for its own LLVM), and its own headers: the program's, which
# it includes, are linted with the program.
tools/ensure_packages.sh web
mapfile -t web < <(git ls-files 'web/*.cpp')
read -ra emscripten < <(NODE_PATH=${NODE_PATH:-/usr/share/nodejs} em++ --cflags | sed 's/-mllvm [^ ]*//g')
clang-tidy --quiet --warnings-as-errors='*' --header-filter='web/' "${web[@]}" -- "${emscripten[@]}" -std=c++20 \
  -Isrc/app -Isrc/landscape -I"$build/generated" 2>/dev/null

tools/ensure_packages.sh js
tests/web/node_modules/.bin/eslint --max-warnings=0 -c tools/eslint.config.mjs web tests/web bench tools
mapfile -t scripts < <(git ls-files '*.sh' .ci/run)
shellcheck "${scripts[@]}"
echo "format and lint: clean"
