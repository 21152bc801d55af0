#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package and checks it as a distribution would: lintian,
# the AppStream metadata, the desktop entry and the manual page; and, as
# root, that apt-get installs it and the installed vendrask starts.
#   tools/check_package.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}

deb=$(tools/build_package.sh "$build")
echo "Package $deb:"
dpkg-deb -f "$deb" Package Version Section Depends
lintian --fail-on error,warning --pedantic -I "$deb" 2> >(grep -v 'root privileges' >&2)
appstreamcli validate --no-net "$build"/data/org.vendrask.Vendrask.metainfo.xml
desktop-file-validate data/org.vendrask.Vendrask.desktop
mandoc -T lint -W warning "$build"/data/vendrask.1

if [ "$(id -u)" -eq 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
  trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vendrask >/dev/null' EXIT
  shot=$(mktemp --suffix=.png)
  line=$(tools/screenshot.sh vendrask "$shot" 0 | head -n 1)
  rm -f "$shot"
  [ "$line" = "Initializing landscape[513][513]" ] || { echo "installed vendrask printed '$line'"; exit 1; }
  echo "installed with apt-get: $(command -v vendrask) starts"
fi
echo "package: checked"
