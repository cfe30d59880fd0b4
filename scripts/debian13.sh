#!/usr/bin/env bash
# Builds Tavlets and runs every test (scripts/test.sh) in a clean Debian 13 (trixie) system, made
# with debootstrap from the package archive this machine's apt uses. Takes a while (a full set of
# packages, three builds and the fuzz pass), so it is not part of the test command.
#
#   scripts/debian13.sh            run as root, or through sudo
#
# The base system is made once in $TAVLETS_DEBIAN13_DIR (default /var/tmp/tavlets-debian13/base)
# and kept; each run copies it afresh to .../root, copies the source tree (without build/ and
# .git) to /src there, and runs the tests as root inside. The copy stays after the run for a look
# at build/ and the logs; the next run replaces it. Exits with the test command's status.
set -euo pipefail
cd "$(dirname "$0")/.."
source_tree=$(pwd)

if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Needs root (debootstrap, chroot, mounts)." >&2; exit 1; }
  exec sudo --preserve-env=TAVLETS_DEBIAN13_DIR "$0" "$@"
fi
command -v debootstrap >/dev/null || { echo "Needs debootstrap (apt-get install debootstrap)." >&2; exit 1; }

home=${TAVLETS_DEBIAN13_DIR:-/var/tmp/tavlets-debian13}
base="$home/base"
root="$home/root"
mkdir -p "$home"
# One run at a time: a second would unmount the first one's system under it.
exec 9>"$home/lock"
flock -n 9 || { echo "Another Debian 13 run is going on in $home." >&2; exit 1; }

# The Debian archive this machine's apt reads (not the security one), else Debian's own.
mirror() {
  local uri
  uri=$({ grep -hE '^[[:space:]]*URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | sed 's/^[^:]*://'
          grep -hE '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null \
            | sed -E 's/^[[:space:]]*deb[[:space:]]+(\[[^]]*\][[:space:]]+)?//'; } \
        | tr ' ' '\n' | grep -E '^https?://[^ ]*/debian/?$' | head -n 1)
  echo "${uri:-http://deb.debian.org/debian}"
}

started=$(date +%s)
elapsed() { local s=$(($(date +%s) - started)); printf '%dm%02ds' $((s / 60)) $((s % 60)); }

if [ ! -e "$base/.complete" ]; then
  archive=$(mirror)
  echo "== Making a Debian 13 base system from $archive (once)"
  rm -rf "$base" "$base.partial"
  debootstrap --variant=minbase trixie "$base.partial" "$archive" >"$home/debootstrap.log" 2>&1 \
    || { echo "debootstrap failed: see $home/debootstrap.log" >&2; exit 1; }
  touch "$base.partial/.complete"
  mv "$base.partial" "$base"
fi

mounts=()
# Processes left inside the copy (a stray X server, a daemon) would keep its mounts busy.
stop_leftovers() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && kill -9 "${p#/proc/}" 2>/dev/null
  done
  return 0
}
cleanup() {
  stop_leftovers
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" 2>/dev/null || true
  done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mount_in() {  # mount_in TARGET MOUNT-ARGS...
  local target="$root$1"
  shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounts+=("$target")
}

# A previous run that was killed may have left its mounts.
if [ -d "$root" ]; then
  { grep -oE " $root/[^ ]*" /proc/mounts || true; } | sort -r | while read -r m; do umount -l "$m" || true; done
  grep -q " $root/" /proc/mounts && { echo "$root still has mounts; not removing it" >&2; exit 1; }
  rm -rf "$root"
fi
echo "== Fresh copy of the base system"
cp -a "$base" "$root"
rm -f "$root/.complete"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Packages installed inside must not try to start their services.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"

echo "== Copying the source tree to /src"
mkdir -p "$root/src"
tar -C "$source_tree" --exclude=./build --exclude=./.git -cf - . | tar -C "$root/src" -xf -

mount_in /proc -t proc proc
mount_in /sys --bind /sys
mount_in /dev --bind /dev
mount_in /dev/pts --bind /dev/pts
mount_in /dev/shm -t tmpfs -o mode=1777 tmpfs
mount_in /run -t tmpfs -o mode=755 tmpfs
mount_in /tmp -t tmpfs -o mode=1777 tmpfs

echo "== Running scripts/test.sh inside Debian 13 (log: $root/src/build/debian13.log)"
mkdir -p "$root/src/build"
status=0
chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /src && ./scripts/test.sh' 2>&1 | tee "$root/src/build/debian13.log" || status=${PIPESTATUS[0]}

if [ "$status" -eq 0 ]; then
  echo "== Debian 13: every test passed ($(elapsed))"
else
  echo "== Debian 13: the test command failed with status $status ($(elapsed)); see $root/src/build/debian13.log" >&2
fi
exit "$status"
