#!/usr/bin/env bash
# Builds everything and runs every check: the Windows cross-build and its export
# table, the SDK as an outside host sees it, then the whole test suite (on
# Mesa's software Vulkan device where no GPU is present).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SWK_BUILD_DIR:-$root/build}
# ccache, where present, keeps rebuilds of an unchanged tree short.
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
jobs=${SWK_JOBS:-$(nproc)}

cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher \
  -DSWELLKIT_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j "$jobs"

# Windows: the 32-bit DLLs from the same sources, against the real import libraries.
cmake -G Ninja -S "$root" -B "$build-windows" -DCMAKE_BUILD_TYPE=Release $launcher \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
cmake --build "$build-windows" -j "$jobs"
"$root/scripts/check-windows-exports.sh" "$build-windows/generator/Swellkit.dll"

# The SDK: installed, then used by a host outside the tree.
if [ -f "$root/examples/host/CMakeLists.txt" ]; then
  rm -rf "$build/sdk" "$build/host"
  cmake --install "$build" --prefix "$build/sdk" >/dev/null
  cmake -G Ninja -S "$root/examples/host" -B "$build/host" -DCMAKE_PREFIX_PATH="$build/sdk" >/dev/null
  cmake --build "$build/host" -j "$jobs"
  "$build/host/swellkit_host" 8
fi

ctest --test-dir "$build" --output-on-failure -j "$jobs"

# The suite again under the sanitizers, the concurrency check and a bounded fuzz
# run, each in its own build folder.
bash "$root/scripts/sanitize.sh"
