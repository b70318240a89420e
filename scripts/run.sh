#!/usr/bin/env bash
# The main job: builds Swellkit and runs the demo host, a generator updated for
# a number of frames (default 60). Extra arguments go to the host.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SWK_BUILD_DIR:-$root/build}
cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target swellkit_demo
"$build/examples/swellkit_demo" "$@"
