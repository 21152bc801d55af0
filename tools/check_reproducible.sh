#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the package and the Windows zip from two clones of the last commit,
# at different paths, with different umasks and time zones and no
# SOURCE_DATE_EPOCH, and checks that each is the same byte for byte.
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
    TZ=$3 make --no-print-directory package windows >/dev/null
    cd build-package && sha256sum vendrask_*.deb && cd ../build-windows && sha256sum vendrask-*.zip
  )
}
first=$(package_sum "$work/a" 022 UTC)
second=$(package_sum "$work/another/clone" 077 Pacific/Kiritimati)
echo "$first"
echo "$second"
[ "$first" = "$second" ] || { echo "the two builds differ"; exit 1; }
echo "package and Windows zip: reproducible"
