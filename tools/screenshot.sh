#!/usr/bin/env bash
# Runs vendrask on a private Xvfb display, lets it turn for a few seconds and
# saves its window as a PNG.
#   tools/screenshot.sh [path/to/vendrask] [out.png] [seconds]
set -euo pipefail
exe=${1:-build/vendrask}
out=${2:-docs/screenshot.png}
seconds=${3:-3}

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=
cleanup() {
  set +e
  [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
  kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
}
trap cleanup EXIT
read -r -t 10 -u "$fd" number
export DISPLAY=":$number"

"$exe" >/dev/null &
app=$!
window=$(timeout 20 xdotool search --sync --name '^Vendrask: ')
sleep "$seconds"
import -window "$window" "$out"
