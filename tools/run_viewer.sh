#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts the viewer built in $1 on the user's display. With no display set,
# runs it for a few seconds on a private virtual display instead and saves
# what it showed as $1/screenshot.png.
set -euo pipefail
build=${1:-build}
if [ -n "${DISPLAY:-}" ]; then
  status=0
  "$build/vendrask" || status=$?
  [ "$status" -eq 0 ] || echo "vendrask ended with status $status (DISPLAY=$DISPLAY)" >&2
  exit "$status"
fi
"$(dirname "$0")/ensure_packages.sh" headless
echo "No display set: running Vendrask on a private virtual display and saving a screenshot instead."
"$(dirname "$0")/screenshot.sh" "$build/vendrask" "$build/screenshot.png"
echo "Screenshot saved: $build/screenshot.png"
