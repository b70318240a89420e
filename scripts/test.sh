#!/usr/bin/env bash
# Builds everything and runs every check: the Linux build, the SDK as an outside
# host sees it and the whole test suite (on Mesa's software Vulkan device where
# no GPU is present); the Windows cross-build, its export table and its run
# under Wine; then the suite again under the sanitizers, the concurrency check
# and a bounded fuzz run; last, a few deliberate faults the suites must catch.
#
# Each part runs whatever the others gave, so that one failure does not hide
# another's results; the run fails if any part did.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SWK_BUILD_DIR:-$root/build}
# ccache, where present, keeps rebuilds of an unchanged tree short.
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
jobs=${SWK_JOBS:-$(nproc)}
export SWK_BUILD_DIR="$build" SWK_JOBS="$jobs"

# Presentation and the viewer need an X display: a private Xvfb on a free
# display number, stopped by its process id however the run ends.
displayfile=$(mktemp)
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -f "$displayfile"' EXIT
for _ in $(seq 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$displayfile")"

linux_suite() {
  cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher \
    -DSWELLKIT_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build "$build" -j "$jobs"

  # The SDK: installed, then used by a host outside the tree.
  rm -rf "$build/sdk" "$build/host"
  cmake --install "$build" --prefix "$build/sdk" >/dev/null
  cmake -G Ninja -S "$root/examples/host" -B "$build/host" -DCMAKE_PREFIX_PATH="$build/sdk" >/dev/null
  cmake --build "$build/host" -j "$jobs"
  "$build/host/swellkit_host" 8

  ctest --test-dir "$build" --output-on-failure -j "$jobs" | tee "$build/ctest-summary.txt"
}

windows_checks() {
  # The 32-bit DLLs from the same sources, against the real import libraries.
  cmake -G Ninja -S "$root" -B "$build-windows" -DCMAKE_BUILD_TYPE=Release $launcher \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
  cmake --build "$build-windows" -j "$jobs"
  "$root/scripts/check-windows-exports.sh" "$build-windows/generator/Swellkit.dll"
  # ... built twice to the same bytes, and run under Wine next to the Linux build.
  "$root/scripts/check-windows-runtime.sh"
}

sanitizer_checks() {
  # Each in its own build folder beside the main one.
  bash "$root/scripts/sanitize.sh"
}

fault_checks() {
  # A few deliberate faults the suites must catch; without --only the whole
  # list of scripts/faults.tsv runs (about half a minute a fault).
  python3 "$root/scripts/fault-check.py" --work "$build-faults" \
    --only normal-clear-colour l16-size lexer-line pack-scale octave-falloff
}

status=0
# Each part in a job of its own, where errexit holds (it does not inside an || list).
for part in linux_suite windows_checks sanitizer_checks fault_checks; do
  $part &
  wait $! || { status=1; echo "test: $part failed" >&2; }
done

# The main suite's closing line last.
grep -h "tests passed" "$build/ctest-summary.txt" 2>/dev/null || true
exit $status
