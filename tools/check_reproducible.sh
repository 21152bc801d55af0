#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the package, the Windows zip and the web page from two clones of the
# last commit, at different paths, with different umasks and time zones and
# no SOURCE_DATE_EPOCH, and checks that each file is the same byte for byte.
#   tools/check_reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset SOURCE_DATE_EPOCH

package_sum() {  # clone-dir umask time-zone
  (
    umask "$2"
    git clone -q "$PWD" "$1"
    cd "$1"
    TZ=$3 make --no-print-directory package windows web >/dev/null
    sha256sum build-package/vendrask_*.deb build-windows/vendrask-*.zip build-web/{index.html,bridge.js,icon.png,vendrask.js,vendrask.wasm}
  )
}
first=$(package_sum "$work/a" 022 UTC)
second=$(package_sum "$work/another/clone" 077 Pacific/Kiritimati)
echo "$first"
echo "$second"
[ "$first" = "$second" ] || { echo "the two builds differ"; exit 1; }
echo "package, Windows zip and web page: reproducible"
