#!/usr/bin/env bash
# Builds the Debian package and checks it: contents, declared dependencies,
# the manual page and desktop entry, and (as root) that installing it with
# apt-get gives a vendrask on the PATH that starts.
#   tools/check_package.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

mandoc -T lint -W warning data/vendrask.6
desktop-file-validate data/vendrask.desktop

make --no-print-directory package BUILD="$build" >/dev/null
deb=$(ls "$build"/vendrask_*.deb)
echo "Package $deb:"
dpkg-deb -f "$deb" Package Version Depends
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/vendrask ./usr/share/man/man6/vendrask.6 ./usr/share/applications/vendrask.desktop \
         ./usr/share/icons/hicolor/128x128/apps/vendrask.png; do
  grep -q " $f\$" <<<"$contents" || { echo "missing from package: $f"; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libglut3.12 libc6 libglx0; do
  grep -q "$lib" <<<"$depends" || { echo "package does not depend on $lib: $depends"; exit 1; }
done

if [ "$(id -u)" -eq 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
  trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq vendrask >/dev/null' EXIT
  line=$(xvfb-run -a timeout 5 vendrask | head -n 1 || true)
  [ "$line" = "Initializing landscape[513][513]" ] || { echo "installed vendrask printed '$line'"; exit 1; }
  echo "installed with apt-get: $(command -v vendrask) starts"
fi
echo "package: checked"
