#!/usr/bin/env bash
# Sets up, builds and starts the aquarium. On a desktop it runs on the current X or Wayland
# display; with neither it starts a virtual one (Xvfb), lets the fish swim a while and writes a
# screenshot.
# A first run gets a starter roster of a few fish; after that the roster is the user's own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/gcc -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/gcc -j "$(nproc)"
program=build/gcc/program
[ -f "$program/fishsave.bin" ] || cp build/gcc/shipped/fishsave.bin "$program/fishsave.bin"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program/brinelight"
fi
shot=${BRINE_SCREENSHOT:-$(pwd)/brinelight-screenshot.png}
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "
  \"$program/brinelight\" & pid=\$!
  sleep \${BRINE_SECONDS:-15}
  import -window root \"$shot\"
  kill -TERM \$pid; wait \$pid"
echo "No display: ran the aquarium under Xvfb for ${BRINE_SECONDS:-15} s and wrote $shot"
