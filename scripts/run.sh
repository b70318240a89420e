#!/usr/bin/env bash
# The main job: builds the swellkit tool and bakes a default set of animated
# water textures on the built-in Direct3D 9 device (Vulkan; Mesa's software
# renderer where no GPU is present): 60 frames of 256x256 height and normal
# maps, lit previews and preview.gif, with bake.json, into a folder (default
# out/). Further arguments go to `swellkit bake` (see `swellkit bake --help`).
#
#   scripts/run.sh [output folder] [bake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SWK_BUILD_DIR:-$root/build}
# ccache, where present, keeps rebuilds of an unchanged tree short.
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
out=${1:-$root/out}
shift || true
cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher >/dev/null
cmake --build "$build" -j "$(nproc)" --target swellkit
SWK_VK_QUIET=${SWK_VK_QUIET:-1} "$build/tools/swellkit/swellkit" bake --out "$out" --force "$@"
echo "textures written to $out: height_*.png, normal_*.png, preview_*.png, preview.gif, bake.json"
