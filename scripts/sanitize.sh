#!/usr/bin/env bash
# The test suite under AddressSanitizer + UndefinedBehaviorSanitizer (leaks
# checked too), the watch's guarded releases from several threads under
# ThreadSanitizer, and a bounded fuzz run of the effect compiler. Each in its
# own clang build folder beside the main one; benchmarks are not built.
#   SWK_FUZZ_SECONDS  length of the fuzz run (default 60; 0 skips it)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
base=${SWK_BUILD_DIR:-$root/build}
jobs=${SWK_JOBS:-$(nproc)}
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"

configure() { # folder, sanitizers, extra cmake arguments...
  local dir=$1 san=$2
  shift 2
  cmake -G Ninja -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher \
    -DCMAKE_CXX_COMPILER=clang++ -DSWELLKIT_BUILD_BENCHMARKS=OFF \
    -DSWELLKIT_SANITIZE="$san" "$@" >/dev/null
}

# The build runs test programs to list their tests, so the options apply to it too.
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

asan=$base-asan
configure "$asan" address,undefined
# Only what the suite runs: the tests and the libraries they use.
cmake --build "$asan" -j "$jobs" --target tests/all
LD_PRELOAD=$asan/tests/support/libswk_keep_libraries_loaded.so \
  ctest --test-dir "$asan" --output-on-failure -j "$jobs"

tsan=$base-tsan
configure "$tsan" thread
cmake --build "$tsan" -j "$jobs" --target engine_support_tests
"$tsan/tests/engine_support/engine_support_tests" --gtest_filter='*Concurrent*'

seconds=${SWK_FUZZ_SECONDS:-60}
if [ "$seconds" != 0 ]; then
  "$root/scripts/fuzz.sh" "$seconds"
fi
