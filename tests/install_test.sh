#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs into a temporary prefix, checks that every file is there, and
# starts the installed vendrask on a private virtual display: it prints its
# line and shows its whole window.
#   tests/install_test.sh <build-dir>
set -euo pipefail
build=$1
tools=$(dirname "$0")/../tools
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/vendrask share/man/man1/vendrask.1.gz share/applications/org.vendrask.Vendrask.desktop \
         share/metainfo/org.vendrask.Vendrask.metainfo.xml share/doc/vendrask/copyright \
         share/doc/vendrask/changelog.gz share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/vendrask.png; do
  [ -f "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
[ -x "$prefix/bin/vendrask" ] || { echo "bin/vendrask is not executable"; exit 1; }

line=$("$tools/screenshot.sh" "$prefix/bin/vendrask" "$prefix/shot.png" 0 | head -n 1)
expected='Initializing landscape[513][513]'
[ "$line" = "$expected" ] || { echo "installed vendrask printed '$line', not '$expected'"; exit 1; }
size=$(identify -format '%wx%h' "$prefix/shot.png")
[ "$size" = 600x512 ] || { echo "the window's picture is $size, not 600x512"; exit 1; }
echo "installed and started"
