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
"$2" --gtest_filter='Viewer.ShowsWhatTheSameViewDrawsInProcessAndQuitsOnQ:Viewer.MiddleButtonEndsTheProgram:Viewer.ArgumentsThatGlutDoesNotKnowChangeNothing'
