#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Unpacks the Windows zip and runs its vendrask.exe under wine through the
# end-to-end cases that hold for any build.
#   tests/windows_test.sh ZIP E2E_TEST
set -euo pipefail
work=$(mktemp -d)
# Wine's own processes outlive the program by a few seconds: wait for them.
trap 'rm -rf "$work"; "$(dirname "$0")/../tools/wine.sh" --end' EXIT
unzip -q "$1" -d "$work"
export VENDRASK_WINDOWS_EXE=$work/vendrask.exe
icons=$(dirname "$0")/../data/icons

# The exe's resources: an icon group of 16, 32, 48 and 256 pixels, and a
# version whose product version is the project's.
wrestool -x -t 14 "$VENDRASK_WINDOWS_EXE" >"$work/group.ico"
sizes=$(icotool -l "$work/group.ico" | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | paste -sd' ')
[ "$sizes" = "16 32 48 256" ] || { echo "the exe's icon sizes: '$sizes'"; exit 1; }
version=$(wrestool -x --raw -t 16 "$VENDRASK_WINDOWS_EXE" | strings -el | sed -n '/^ProductVersion$/{n;p}')
[ "$version" = "$VENDRASK_VERSION" ] || { echo "the exe's version: '$version', the project's $VENDRASK_VERSION"; exit 1; }
echo "resources: icons of $sizes pixels, version $version"

# Its window carries that icon: the 32-pixel one as raw RGBA to compare.
export VENDRASK_WINDOWS_ICON=$work/icon-32.rgba
convert "$icons/vendrask-32.png" -depth 8 "rgba:$VENDRASK_WINDOWS_ICON"
"$2" --gtest_filter='Viewer.ShowsWhatTheSameViewDrawsInProcessAndQuitsOnQ:Viewer.MiddleButtonEndsTheProgram:Viewer.ArgumentsThatGlutDoesNotKnowChangeNothing'
