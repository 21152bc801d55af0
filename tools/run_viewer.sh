#!/usr/bin/env bash
# Starts the viewer built in $1 on the user's display. Without a reachable X
# display, runs it for a few seconds on a private virtual display instead and
# saves what it showed as $1/screenshot.png.
set -euo pipefail
build=${1:-build}
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$build/vendrask"
fi
echo "No X display reachable: running Vendrask on a private virtual display and saving a screenshot instead."
"$(dirname "$0")/screenshot.sh" "$build/vendrask" "$build/screenshot.png"
echo "Screenshot saved: $build/screenshot.png"
