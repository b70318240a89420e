#!/usr/bin/env bash
# Builds and runs every benchmark in bench/ (Google Benchmark), medians over
# repetitions, on this machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SWK_BUILD_DIR:-$root/build}
cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSWELLKIT_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
for exe in $(find "$build/bench" -type f -executable -name '*bench*' | sort); do
  echo "== $(basename "$exe")"
  "$exe" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
done
