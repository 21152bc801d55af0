#!/usr/bin/env bash
# Makes the desktop icon from a real frame of vendrask: the middle of its
# window, cut square and scaled to 128 x 128 pixels.
#   tools/make_icon.sh [path/to/vendrask] [out.png]
set -euo pipefail
exe=${1:-build/vendrask}
out=${2:-data/vendrask.png}
frame=$(mktemp --suffix=.png)
trap 'rm -f "$frame"' EXIT
"$(dirname "$0")/screenshot.sh" "$exe" "$frame" 2
convert "$frame" -crop 330x330+135+120 +repage -resize 128x128 -strip "$out"
echo "Wrote $out"
