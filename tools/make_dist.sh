#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes a release of the current version in dist/: the source as tracked in
# git, the Debian package, the Windows zip, the web page zipped for any
# static web host, and SHA256SUMS over them all. Each is reproducible, so two
# runs from the same commit give the same SHA256SUMS.
#   tools/make_dist.sh      (make dist)
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022
export LC_ALL=C.UTF-8
# The version is CMake's project version; everything below carries it.
version=$(sed -n 's/^project(vendrask VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
dist=dist
if ! git diff --quiet HEAD --; then
  echo "There are uncommitted changes: commit them first, so that the source in dist/ is what was built." >&2
  exit 1
fi
rm -rf "$dist"
mkdir -p "$dist"

git archive --format=tar.gz --prefix="vendrask-$version/" -o "$dist/vendrask-$version.tar.gz" HEAD
make --no-print-directory package windows web >/dev/null
cp build-package/vendrask_"$version"_*.deb build-windows/vendrask-"$version"-windows-x86_64.zip "$dist"/
mapfile -t page <build-web/page-files.txt  # all the page serves, as its build lists it
tools/zip_reproducibly.sh "$dist/vendrask-$version-web.zip" build-web "${page[@]}"

cd "$dist"
sha256sum -- vendrask* >SHA256SUMS
ls -l
