#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages a task needs, if any are missing. As root it
# runs apt-get; otherwise it prints the one command to run and fails.
#   tools/ensure_packages.sh run|headless|test|package|cross [ARCH...]
#     run      build and start the viewer
#     headless run it on a private virtual display and take a screenshot
#     test     the test suite, benchmarks and lint
#     package  build and check the Debian package
#     cross    cross compilers and qemu-user for the named architectures
set -euo pipefail

run=(cmake make g++ libglut-dev libgl-dev)
headless=(xvfb xauth xdotool imagemagick)
packages=()
case "${1:-run}" in
  run) packages=("${run[@]}") ;;
  headless) packages=("${headless[@]}") ;;
  test) packages=("${run[@]}" "${headless[@]}" clang clang-format clang-tidy libx11-dev libxdamage-dev
                  libgtest-dev libbenchmark-dev) ;;
  package) packages=("${run[@]}" "${headless[@]}" dpkg-dev file git lintian appstream desktop-file-utils mandoc) ;;
  cross)
    declare -A triplet=([arm64]=aarch64-linux-gnu [armel]=arm-linux-gnueabi [armhf]=arm-linux-gnueabihf
      [i386]=i686-linux-gnu [mips64el]=mips64el-linux-gnuabi64 [ppc64el]=powerpc64le-linux-gnu
      [s390x]=s390x-linux-gnu)
    packages=(cmake make qemu-user libgtest-dev)
    for arch in "${@:2}"; do
      [ -n "${triplet[$arch]:-}" ] || { echo "unknown architecture: $arch" >&2; exit 2; }
      packages+=("g++-${triplet[$arch]}")
    done ;;
  *) echo "usage: $0 run|headless|test|package|cross [ARCH...]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

command="apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages; install them as root with:"
  if command -v sudo >/dev/null; then
    echo "  sudo $command"
  else
    echo "  su -c '$command'"
  fi
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Fresh package lists once an hour are enough, however many steps install.
stamp=/tmp/vendrask-apt-updated
if [ -z "$(find "$stamp" -mmin -60 2>/dev/null)" ]; then
  apt-get update -qq
  touch "$stamp"
fi
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
