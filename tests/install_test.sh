#!/usr/bin/env bash
# Installs into a temporary prefix, checks that every file is there, and
# starts the installed vendrask on a private Xvfb display to read its line.
#   tests/install_test.sh <build-dir>
set -euo pipefail
build=$1
prefix=$(mktemp -d)
xvfb= app=
cleanup() {
  set +e
  [ -n "$app" ] && kill -9 "$app" 2>/dev/null && wait "$app" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$prefix"
}
trap cleanup EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/vendrask share/man/man6/vendrask.6 share/applications/vendrask.desktop \
         share/icons/hicolor/128x128/apps/vendrask.png; do
  [ -f "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
[ -x "$prefix/bin/vendrask" ] || { echo "bin/vendrask is not executable"; exit 1; }

exec {numbers}<> <(:)
Xvfb -displayfd "$numbers" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
read -r -t 20 -u "$numbers" display
exec {output}<> <(:)
DISPLAY=":$display" "$prefix/bin/vendrask" >&"$output" &
app=$!
read -r -t 20 -u "$output" line
expected='Initializing landscape[513][513]'
[ "$line" = "$expected" ] || { echo "installed vendrask printed '$line', not '$expected'"; exit 1; }
kill -0 "$app" || { echo "installed vendrask did not stay up"; exit 1; }
echo "installed and started"
