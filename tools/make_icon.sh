#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the icons from a real frame of vendrask: the landscape cut square
# from the middle of its window, the black sky made transparent, at every
# hicolor size the package installs and at the web page's 192 and 512, which
# are made smaller with pngquant (a browser fetches them when it checks
# whether the page can be installed).
#   tools/make_icon.sh [path/to/vendrask] [out-dir]
set -euo pipefail
exe=${1:-build/vendrask}
dir=${2:-data/icons}
frame=$(mktemp --suffix=.png)
trap 'rm -f "$frame"' EXIT
"$(dirname "$0")/screenshot.sh" "$exe" "$frame" 2 >/dev/null
mkdir -p "$dir"
for size in 16 22 24 32 48 64 128 192 256 512; do
  convert "$frame" -crop 340x340+140+120 +repage -alpha set -fuzz 3% -fill none \
    -draw 'color 0,0 floodfill' -draw 'color 339,0 floodfill' -draw 'color 0,339 floodfill' \
    -draw 'color 339,339 floodfill' -resize "${size}x${size}" -strip "$dir/vendrask-$size.png"
done
for size in 192 512; do
  pngquant --quality 80-95 --speed 1 --force --output "$dir/vendrask-$size.png" "$dir/vendrask-$size.png"
done
echo "Wrote $dir/vendrask-{16..512}.png"
