#!/usr/bin/env bash
# Builds and runs every benchmark in bench/ (Google Benchmark), medians over
# repetitions, on this machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SWK_BUILD_DIR:-$root/build}
# ccache, where present, keeps rebuilds of an unchanged tree short.
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher \
  -DSWELLKIT_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
for exe in $(find "$build/bench" -type f -executable -name '*bench*' | sort); do
  echo "== $(basename "$exe")"
  "$exe" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
done
