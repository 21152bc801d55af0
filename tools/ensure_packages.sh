#!/usr/bin/env bash
# Installs the Debian packages Vendrask needs to build, run and test, if any
# are missing. As root it runs apt-get; otherwise it prints the one command
# to run and fails.
set -euo pipefail

packages=(
  cmake make g++ clang clang-format clang-tidy
  libglut-dev libgl-dev libglu1-mesa-dev libx11-dev libxdamage-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick
  mandoc desktop-file-utils dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages; install them with:"
  echo "  sudo apt-get install -y ${missing[*]}"
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}"
