#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the package from two clones of the last commit, at different paths,
# with different umasks and time zones and no SOURCE_DATE_EPOCH, and checks
# that the two .deb files are the same byte for byte.
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
    TZ=$3 make --no-print-directory package >/dev/null
    sha256sum build-package/vendrask_*.deb | cut -d ' ' -f 1
  )
}
first=$(package_sum "$work/a" 022 UTC)
second=$(package_sum "$work/another/clone" 077 Pacific/Kiritimati)
echo "sha256 $first"
echo "sha256 $second"
[ "$first" = "$second" ] || { echo "the two packages differ"; exit 1; }
echo "package: reproducible"
