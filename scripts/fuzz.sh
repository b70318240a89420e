#!/usr/bin/env bash
# Fuzzes D3DXCreateEffect with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, from tests/fuzz/corpus and the two effect sources.
#   scripts/fuzz.sh [seconds]     default 60; a long run: scripts/fuzz.sh 14400
# The growing corpus stays in <build>-fuzz/corpus between runs. An input that
# breaks the compiler is written there as crash-* (or timeout-*, oom-*): add it
# to tests/fuzz/regressions, where the normal test suite replays it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
dir=${SWK_BUILD_DIR:-$root/build}-fuzz
jobs=${SWK_JOBS:-$(nproc)}
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"

cmake -G Ninja -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher \
  -DCMAKE_CXX_COMPILER=clang++ -DSWELLKIT_BUILD_BENCHMARKS=OFF -DBUILD_TESTING=ON \
  -DSWELLKIT_SANITIZE=address,undefined,fuzzer-no-link -DSWELLKIT_FUZZ=ON >/dev/null
cmake --build "$dir" -j "$jobs" --target effect_fuzzer

mkdir -p "$dir/corpus"
cp -n "$root"/tests/fuzz/corpus/* "$root"/tests/fuzz/regressions/* "$root"/gpu/effects/*.fx \
  "$dir/corpus/"
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
log=$dir/fuzz.log
if ! "$dir/tests/fuzz/effect_fuzzer" -max_total_time="$seconds" -max_len=8192 -timeout=20 \
  -rss_limit_mb=2048 -dict="$root/tests/fuzz/effect.dict" -artifact_prefix="$dir/corpus/" \
  -print_final_stats=1 "$dir/corpus" >"$log" 2>&1; then
  tail -n 60 "$log"
  echo "fuzz: the effect compiler failed on an input; see $log" >&2
  exit 1
fi
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)|^#[0-9]+ +DONE' "$log"
