#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs vendrask on a private virtual display (xvfb-run), lets it turn for a
# few seconds and saves its whole window as a PNG. What vendrask prints goes
# to standard output.
#   tools/screenshot.sh [path/to/vendrask] [out.png] [seconds]
set -euo pipefail
exe=${1:-build/vendrask}
out=${2:-docs/screenshot.png}
seconds=${3:-3}
if [ -z "${VENDRASK_ON_XVFB:-}" ]; then
  VENDRASK_ON_XVFB=1 exec xvfb-run -a "$0" "$exe" "$out" "$seconds"
fi

# At the screen's corner, so that no part of the window is off the screen.
"$exe" -geometry +0+0 &
app=$!
trap 'kill "$app" 2>/dev/null; wait "$app" 2>/dev/null || true' EXIT
window=$(timeout 60 xdotool search --sync --name '^Vendrask: ' | head -n 1)
sleep "$seconds"
import -window "$window" "$out"
