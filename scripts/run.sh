#!/usr/bin/env bash
# Builds Quillbarrow and installs it into out/. The launcher window and the local reference
# service are not built yet; until they are, this only builds and installs the launcher folder
# (its resource bundles) into out/launcher/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
cmake --install build --prefix out
echo "Installed into $(pwd)/out/launcher"
