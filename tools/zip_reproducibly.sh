#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Zips FILES of DIR, in the order given, so that the same files give the
# same zip byte for byte: every file dated the last commit (or
# SOURCE_DATE_EPOCH), read-only for all but the owner, times in UTC and no
# owner or extra time fields.
#   tools/zip_reproducibly.sh ZIP DIR FILE...
set -euo pipefail
zip=$(realpath -m "$1")
dir=$2
shift 2
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$(dirname "$0")" log -1 --format=%ct)}
cd "$dir"
for f in "$@"; do
  if [ -x "$f" ]; then chmod 755 "$f"; else chmod 644 "$f"; fi
  touch -h -d "@$epoch" "$f"
done
rm -f "$zip"
TZ=UTC zip -q -X -D "$zip" "$@"
