#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks a Debian package as a distribution would: lintian, the AppStream
# metadata, the desktop entry and the manual page it holds; and, as root,
# that apt-get installs it and the installed vendrask starts. Without a
# package given, it builds one first.
#   tools/check_package.sh [vendrask_VERSION_ARCH.deb]
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "${1:-$(tools/build_package.sh)}")
files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT

echo "Package $deb:"
dpkg-deb -f "$deb" Package Version Section Depends
# No error or warning from lintian; its AppStream tag (Debian 13's) stands
# for appstreamcli's verdict, which is read below.
lint=$(lintian --fail-on error --pedantic -I "$deb" 2> >(grep -v 'root privileges' >&2))
[ -z "$lint" ] || echo "$lint"
if grep -E '^[EW]: ' <<<"$lint" | grep -qvE ' appstream-metadata-validation-failed( |$)'; then
  echo "lintian: warnings"
  exit 1
fi
dpkg-deb -x "$deb" "$files"
# AppStream: no error, warning or information, but that the project has no
# home page yet (url-homepage-missing, which AppStream 1.0 warns of).
appstream=$(appstreamcli validate --no-net "$files"/usr/share/metainfo/org.vendrask.Vendrask.metainfo.xml 2>&1 || true)
echo "$appstream"
if ! grep -q '^.*Validation \(was successful\|failed\)' <<<"$appstream" ||
  grep -E '^[EWI]: ' <<<"$appstream" | grep -qv ' url-homepage-missing$'; then
  echo "AppStream metadata: not clean"
  exit 1
fi
desktop-file-validate "$files"/usr/share/applications/org.vendrask.Vendrask.desktop
mandoc -T lint -W warning "$files"/usr/share/man/man1/vendrask.1.gz

if [ "$(id -u)" -eq 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
  trap 'rm -rf "$files"; DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vendrask >/dev/null' EXIT
  shot=$(mktemp --suffix=.png)
  line=$(tools/screenshot.sh vendrask "$shot" 0 | head -n 1)
  rm -f "$shot"
  [ "$line" = "Initializing landscape[513][513]" ] || { echo "installed vendrask printed '$line'"; exit 1; }
  echo "installed with apt-get: $(command -v vendrask) starts"
fi
echo "package: checked"
