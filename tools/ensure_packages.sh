#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages a task needs, if any are missing. As root it
# runs apt-get; otherwise it prints the one command to run and fails.
#   tools/ensure_packages.sh run|headless|test|package|windows|web|js|browser|cross [ARCH...]|debootstrap
#     run      build and start the viewer
#     headless run it on a private virtual display and take a screenshot
#     test     the test suite, benchmarks and lint
#     package  build and check the Debian package
#     windows  cross-build for Windows (with freeglut's Debian source) and run under wine
#     web      build the web page with Emscripten
#     js       lint the page's JavaScript (ESLint from npm, by the page test's lock file)
#     browser  test the page in Chromium, Firefox and WebKit (puppeteer-core and axe-core from npm, by their lock file),
#              pressing its controls through AT-SPI
#     cross    cross compilers and qemu-user for the named architectures
#     debootstrap  make a Debian root (tools/debian13.sh)
set -euo pipefail

# Installs those of the given packages that are missing, or says how to.
ensure() {
  local missing=() p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local command="apt-get install -y --no-install-recommends ${missing[*]}"
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
  local stamp=/tmp/vendrask-apt-updated
  if [ -z "$(find "$stamp" -mmin -60 2>/dev/null)" ]; then
    apt-get update -qq
    touch "$stamp"
  fi
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Makes Debian's source packages known to apt, from the mirror its binary
# packages come from, unless they are already.
ensure_sources() {
  [ -n "$(apt-cache showsrc freeglut 2>/dev/null)" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Debian's source packages are not known to apt: add a deb-src line for your mirror, then apt-get update"
    exit 1
  fi
  local list=/etc/apt/sources.list.d/debian.sources
  if [ -f "$list" ]; then
    sed 's/^Types: deb$/Types: deb-src/' "$list" >/etc/apt/sources.list.d/vendrask-deb-src.sources
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/vendrask-deb-src.list
  fi
  apt-get update -qq
}

run=(cmake make g++ libglut-dev libgl-dev)
headless=(xvfb xauth xdotool imagemagick)
case "${1:-run}" in
  run) ensure "${run[@]}" ;;
  headless) ensure "${headless[@]}" ;;
  test) ensure "${run[@]}" "${headless[@]}" clang clang-format clang-tidy libx11-dev libxdamage-dev nodejs \
               libgtest-dev libbenchmark-dev shellcheck ;;
  package) ensure "${run[@]}" "${headless[@]}" dpkg-dev file git lintian appstream desktop-file-utils mandoc ;;
  windows)
    ensure cmake make dpkg-dev git zip unzip icoutils g++-mingw-w64-x86-64-win32 g++-mingw-w64-x86-64-posix wine64 libgtest-dev "${headless[@]}"
    ensure_sources ;;
  web) ensure cmake make emscripten libgtest-dev python3 ;;
  js|browser)
    if [ "$1" = browser ]; then
      ensure "${run[@]}" "${headless[@]}" libx11-dev libxdamage-dev libgtest-dev chromium firefox-esr \
        webkit2gtk-driver dbus-daemon at-spi2-core python3-pyatspi
    fi
    ensure nodejs
    command -v npm >/dev/null || ensure npm  # some nodejs builds bring their own
    tests=$(dirname "$0")/../tests/web
    # Once for each lock file (npm's own record of it is written otherwise),
    # and again after a connection the registry dropped.
    if ! cmp -s "$tests/package-lock.json" "$tests/node_modules/.installed-lock.json" 2>/dev/null; then
      npm ci --prefix "$tests" --no-audit --no-fund --loglevel=error ||
        npm ci --prefix "$tests" --no-audit --no-fund --loglevel=error
      cp "$tests/package-lock.json" "$tests/node_modules/.installed-lock.json"
    fi ;;
  cross)
    ensure cmake make qemu-user libgtest-dev dpkg-dev
    compilers=()
    for arch in "${@:2}"; do
      triplet=$(dpkg-architecture -a "$arch" -qDEB_HOST_GNU_TYPE 2>/dev/null) ||
        { echo "unknown architecture: $arch" >&2; exit 2; }
      compilers+=("g++-$triplet")
    done
    ensure "${compilers[@]}" ;;
  debootstrap) ensure debootstrap ;;
  *) echo "usage: $0 run|headless|test|package|windows|web|js|browser|cross [ARCH...]|debootstrap" >&2; exit 2 ;;
esac
