#!/usr/bin/env bash
# The packages on a newcomer's machine: a fresh Debian 12 root (a copy of a minimal debootstrap root,
# made once and kept), both packages installed with apt-get pulling their dependencies, lintian and
# the desktop's validators run on them, the service started as its unit starts it, and the launcher
# started from its desktop entry as an ordinary user on a virtual X server: it makes its folder in
# the player's data home, logs in, installs a demo game and plays it. Then both packages are removed
# and the player's games and tables must still be there.
#   scripts/package.sh && sudo scripts/package-check.sh [PACKAGE_FOLDER]   (build/packages by default)
# FRESH_ROOTS names where the roots live (default /var/tmp/quillbarrow-fresh). Prints PASSED or
# FAILED last; the exit code says the same.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "package-check: run as root (it makes a chroot)" >&2; exit 2; }
cd "$(dirname "$0")/.."
packages=${1:-build/packages}
launcher_deb=$(ls "$packages"/quillbarrow_*.deb 2>/dev/null | tail -n1 || true)
service_deb=$(ls "$packages"/quillbarrow-service_*.deb 2>/dev/null | tail -n1 || true)
[ -n "$launcher_deb" ] && [ -n "$service_deb" ] ||
  { echo "package-check: no packages in $packages; make them with scripts/package.sh" >&2; exit 2; }

roots=${FRESH_ROOTS:-/var/tmp/quillbarrow-fresh}
base=$roots/base
if [ ! -f "$base/.done" ]; then
  command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap >/dev/null
  rm -rf "$base"; mkdir -p "$roots"
  mirror=$(grep -h -m1 '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}' | head -n1)
  [ -n "$mirror" ] || mirror=$(awk '/^deb /{print $2; exit}' /etc/apt/sources.list 2>/dev/null)
  echo "package-check: making a minimal Debian 12 root in $base (a few minutes, once)"
  debootstrap --variant=minbase bookworm "$base" "${mirror:-http://deb.debian.org/debian}" \
    >"$roots/debootstrap.log" 2>&1 || { echo "package-check: debootstrap failed, see $roots/debootstrap.log"; exit 2; }
  touch "$base/.done"
fi

root=$roots/package-check-$$
mounted=()
cleanup() {
  # Whatever still runs inside the root (service, X server, launcher, game) ends with it.
  for proc in /proc/[0-9]*; do
    [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ] && kill -9 "${proc#/proc/}" 2>/dev/null
  done
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}"; done
  [ -n "${PACKAGE_CHECK_KEEP:-}" ] || rm -rf "$root"
}
trap cleanup EXIT
cp -a "$base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
[ -e "$root/etc/hosts" ] || printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
mkdir -p "$roots/apt-archives/partial" "$root/var/cache/apt/archives" "$root/tmp/debs"
cp "$launcher_deb" "$service_deb" "$root/tmp/debs/"
# Private, so that nothing mounted below them shows up on the machine's own /dev.
for m in proc sys dev dev/pts; do
  mount --bind "/$m" "$root/$m" && mounted+=("$root/$m") && mount --make-private "$root/$m"
done
# The web engine shares memory through /dev/shm, a file system of its own that binding /dev leaves out.
mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"; mounted+=("$root/dev/shm")
mount --bind "$roots/apt-archives" "$root/var/cache/apt/archives"; mounted+=("$root/var/cache/apt/archives")

cp scripts/package-check-inside.sh "$root/tmp/check.sh"
start=$(date +%s)
command -v ip >/dev/null || { echo "package-check: needs ip (iproute2)" >&2; exit 2; }
# The packages come in over the machine's network; the service and the launcher then run in a
# network of their own, where port 8443 is theirs whatever else this machine serves.
if chroot "$root" /bin/bash /tmp/check.sh install &&
  unshare --net bash -c "ip link set lo up && exec chroot '$root' /bin/bash /tmp/check.sh use"; then
  echo "package-check: PASSED in $(($(date +%s) - start)) s"
else
  [ -s "$root/tmp/screen.xwd" ] && cp "$root/tmp/screen.xwd" "$roots/package-check-screen.xwd" &&
    echo "package-check: the screen at the failure: $roots/package-check-screen.xwd"
  echo "package-check: FAILED after $(($(date +%s) - start)) s"
  exit 1
fi
