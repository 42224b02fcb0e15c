#!/usr/bin/env bash
# Builds Quillbarrow, installs it into out/, starts the local reference service on port 8443 and
# the launcher against it. Closing the launcher stops the service.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
cmake --install build --prefix out >/dev/null

service=out/bin/quillbarrow-service
data=out/service-data
if [ ! -e "$data/service.db" ]; then
  "$service" init --data "$data"
  "$service" user add --data "$data" player@example.com 'quillbarrow-demo' Player
  echo "Demo account: player@example.com / quillbarrow-demo (more on https://localhost:8443/index.php?id=register)"
fi

"$service" serve --data "$data" --port 8443 &
service_pid=$!
trap 'kill "$service_pid" 2>/dev/null; wait "$service_pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  (exec 3<>/dev/tcp/127.0.0.1/8443) 2>/dev/null && break
  kill -0 "$service_pid" 2>/dev/null || { echo "run: the service did not start" >&2; exit 1; }
  sleep 0.1
done

# The web engine refuses to start its sandbox as root.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox
cd out/launcher
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display; starting the launcher on a virtual X server (xvfb-run)" >&2
  xvfb-run -a -s "-screen 0 1920x1080x24" ./Quillbarrow.exe
else
  ./Quillbarrow.exe
fi
