#!/usr/bin/env bash
# The main job: builds Swellkit and runs the example host on the built-in
# Direct3D 9 device (Vulkan; Mesa's software renderer where no GPU is present):
# a generator animated for a number of frames (default 120), both maps read
# back and written as PPM images to a folder (default out/).
#
#   scripts/run.sh [frames] [output folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SWK_BUILD_DIR:-$root/build}
# ccache, where present, keeps rebuilds of an unchanged tree short.
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
frames=${1:-120}
out=${2:-$root/out}
mkdir -p "$out"
cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher >/dev/null
cmake --build "$build" -j "$(nproc)" --target swellkit_host
"$build/examples/swellkit_host" "$frames" "$out"
echo "maps written to $out"
