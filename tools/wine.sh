#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Debian's wine64, in the project's own wine
# prefix (made on first use, kept for later runs), without wine's debug
# output or its offers to install Mono and Gecko.
#   tools/wine.sh PROGRAM.exe [ARGS...]
#   tools/wine.sh --through-cmd PROGRAM.exe [ARGS...]
#                           the same once wine's session has started (wineboot has returned), through
#                           cmd /c, whose exit status is the program's own: wineserver kills a program's
#                           Unix process that takes over a second to finish exiting (as one tearing down
#                           its GL can on a busy machine), whatever it exited with
#   tools/wine.sh --end     waits for the prefix's wine processes to end (ends them after 30 s)
# WINEPREFIX, when set, names another prefix.
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/vendrask/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree=;mshtml="
wine=/usr/lib/wine/wine64  # wine64 alone installs no wine on the PATH
server=/usr/lib/wine/wineserver64
if [ "${1:-}" = --end ]; then
  timeout 30 "$server" -w || "$server" -k
  exit 0
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  DISPLAY='' "$wine" wineboot --init >/dev/null 2>&1
  "$server" -w  # the prefix is complete once its server has ended
fi
if [ "${1:-}" = --through-cmd ]; then
  program=$(realpath "$2")
  shift 2
  "$wine" wineboot
  exec "$wine" cmd /c "Z:${program//\//\\}" "$@"
fi
exec "$wine" "$@"
