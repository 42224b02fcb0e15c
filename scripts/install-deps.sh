#!/usr/bin/env bash
# The one list of what Quillbarrow needs on Debian 12: build tools, libraries, and what the
# tests and the reference service run on. Safe to run again; installs only what is missing.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config clang-format git
  # launcher
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libxkbcommon-dev
  qt6-multimedia-dev qt6-webengine-dev
  ca-certificates
  libzip-dev libxcb1-dev libcurl4-openssl-dev libssl-dev
  fonts-dejavu-core fonts-dejavu-extra
  # reference service
  qt6-httpserver-dev qt6-websockets-dev libqt6sql6-sqlite libqt6sql6-psql libsodium-dev
  nginx openssl zip
  # PostgreSQL for several app servers; the tests start clusters of their own
  postgresql-15
  # tests
  xvfb xauth openbox pulseaudio pulseaudio-utils libxcb-xtest0-dev
  # fuzzing: clang with its libFuzzer, AddressSanitizer and UBSan runtimes
  clang-14 libclang-rt-14-dev
  # benchmarks: the reference tools they compare against
  curl unzip
  # packages (scripts/package.sh): dpkg-shlibdeps works out their library dependencies
  dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# Packaged services (nginx) must not be started by the install: the service runs its own.
if [ ! -e /usr/sbin/policy-rc.d ]; then
  printf '#!/bin/sh\nexit 101\n' | "${sudo[@]}" tee /usr/sbin/policy-rc.d >/dev/null
  "${sudo[@]}" chmod +x /usr/sbin/policy-rc.d
  trap '"${sudo[@]}" rm -f /usr/sbin/policy-rc.d' EXIT
fi
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
