#!/usr/bin/env bash
# Builds Quillbarrow in build/ and makes its two Debian packages there: quillbarrow (the launcher)
# and quillbarrow-service (the reference service with its system unit), in build/packages/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
rm -f build/packages/*.deb
(cd build && cpack -G DEB -B "$PWD/packages")
ls -1 build/packages/*.deb
