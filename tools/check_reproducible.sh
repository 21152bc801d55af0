#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the release again in a clone of the last commit, at another path,
# with another umask and time zone and no SOURCE_DATE_EPOCH, and checks that
# its SHA256SUMS are those of dist/, which make dist made here from the same
# commit (made first when there is none).
#   tools/check_reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f dist/SHA256SUMS ] || make --no-print-directory dist >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(
  unset SOURCE_DATE_EPOCH
  umask 077
  git clone -q "$PWD" "$work/another/clone"
  cd "$work/another/clone"
  TZ=Pacific/Kiritimati make --no-print-directory dist >/dev/null 2>&1
)
cat dist/SHA256SUMS
if ! diff dist/SHA256SUMS "$work/another/clone/dist/SHA256SUMS"; then
  echo "the two releases differ"
  exit 1
fi
echo "release: reproducible (the same SHA256SUMS from a second clone)"
