#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs commands in a fresh Debian 13 ("trixie") root, in a clean clone of the
# last commit, as a newcomer on Debian 13 would: the root is made once with
# debootstrap from the mirror this machine's apt uses, trusts what this
# machine trusts (its certificates and npm settings), and is reused after.
# As root only.
#   tools/debian13.sh prepare        make the root and the clone, install what every make target needs
#   tools/debian13.sh run COMMAND    run COMMAND in the clone (prepares first where needed)
# VENDRASK_DEBIAN13_ROOT names another folder for the root.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${VENDRASK_DEBIAN13_ROOT:-/var/tmp/vendrask-debian13}
clone=/work/vendrask  # inside the root

# The first Debian mirror apt is set up with here.
mirror() {
  local m
  m=$(awk '/^URIs:/ && $2 ~ /\/debian\/?$/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
  [ -n "$m" ] || m=$(awk '$1 == "deb" && $2 ~ /\/debian\/?$/ {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
  echo "${m:-http://deb.debian.org/debian}"
}

make_root() {
  [ -f "$root/.vendrask-root" ] && return 0
  tools/ensure_packages.sh debootstrap
  unmount_stale
  rm -rf --one-file-system "$root"
  debootstrap --variant=minbase --include=git,make,ca-certificates trixie "$root" "$(mirror)" >/dev/null
  # This machine's own certificate authorities and npm settings, so that apt
  # and npm reach the registries from inside as they do from here.
  if compgen -G '/usr/local/share/ca-certificates/*.crt' >/dev/null; then
    cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
  fi
  chroot "$root" update-ca-certificates >/dev/null 2>&1
  if [ -f /etc/npmrc ]; then
    cp /etc/npmrc "$root/etc/npmrc"
  fi
  touch "$root/.vendrask-root"
}

mounted=()
mount_system() {
  local m
  for m in proc sys dev; do
    if ! mountpoint -q "$root/$m"; then
      mount --rbind "/$m" "$root/$m"
      mount --make-rslave "$root/$m"
      mounted+=("$root/$m")
    fi
  done
}
# What a run that was killed left mounted.
unmount_stale() {
  local m
  for m in proc sys dev; do
    if mountpoint -q "$root/$m"; then
      umount -R "$root/$m" 2>/dev/null || umount -lR "$root/$m"
    fi
  done
}
unmount_system() {
  local m
  for m in "${mounted[@]}"; do
    umount -R "$m" 2>/dev/null || umount -lR "$m"
  done
}
trap unmount_system EXIT

# Runs a command in the clone with a clean environment.
in_clone() {
  chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 TERM=dumb ${CI:+CI=$CI} bash -c "cd $clone && $1"
}

prepare() {
  make_root
  mount_system
  rm -rf "$root$clone"
  git clone -q "$PWD" "$root$clone"
  # shellcheck disable=SC2016 # $task is the clone's
  in_clone 'for task in test package web browser; do tools/ensure_packages.sh $task; done'
}

# The clone is of the last commit.
prepared() {
  [ "$(git -C "$root$clone" rev-parse HEAD 2>/dev/null)" = "$(git rev-parse HEAD)" ]
}

case "${1:-}" in
  prepare) prepare ;;
  run)
    prepared || prepare
    mount_system
    in_clone "${*:2}" ;;
  *) echo "usage: $0 prepare | run COMMAND" >&2; exit 2 ;;
esac
