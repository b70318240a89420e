#!/usr/bin/env bash
# The generator beside its peers in one run: medians of repeated runs and the
# ratios between them. CPU columns are the benchmark thread's CPU time, which
# a loaded machine disturbs far less than the wall clock; the Update rows add
# the CPU time of the whole process (the driver's threads included).
#   bash scripts/bench-peers.sh [repetitions]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SWK_BUILD_DIR:-$root/build}
reps=${1:-9}
launcher=""
command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
cmake -G Ninja -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher \
  -DSWELLKIT_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target swk_peers_bench swk_generator_device_bench >/dev/null
out=$(mktemp)
trap 'rm -f "$out"' EXIT
export SWK_VK_QUIET=1
"$build/bench/peers/swk_peers_bench" --benchmark_repetitions="$reps" \
  --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null >"$out"
"$build/bench/generator_device/swk_generator_device_bench" --benchmark_filter='waited|process' \
  --benchmark_format=csv 2>/dev/null | grep -v '^name' >>"$out"
awk -F, '
  /_median"?,/ {
    name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
    real[name] = $3; cpu[name] = $4; unit[name] = $5
  }
  function row(label, key) { printf "  %-44s %10.1f %-3s %10.1f %s\n", label, real[key], unit[key], cpu[key], unit[key] }
  function us(key) { return unit[key] == "ms" ? cpu[key] * 1000 : cpu[key] }
  END {
    printf "%-46s %14s %14s\n", "median of each", "wall", "CPU"
    row("frame CPU work (synthesis + L16 upload)", "FrameCpuWork")
    row("FFT ocean step 128 x 128 (FFTW, 3 c2r)", "FftOceanStep")
    printf "  -> frame CPU work is %.1fx cheaper than the FFT step\n\n", us("FftOceanStep") / us("FrameCpuWork")
    n = 4096
    row("gradient noise, 4096 samples (table weights)", "NoiseGenerator")
    row("gradient noise, 4096 samples (cosine weights)", "NoiseGeneratorCosine")
    row("stb_perlin_noise3, 4096 samples", "NoiseStbPerlin")
    row("libnoise Perlin (1 octave), 4096 samples", "NoiseLibnoisePerlin")
    printf "  -> samples/s: ours %.1fM, stb %.1fM, libnoise %.1fM; ours/stb %.2f, ours/libnoise %.2f\n", \
      n / us("NoiseGenerator"), n / us("NoiseStbPerlin"), n / us("NoiseLibnoisePerlin"), \
      us("NoiseStbPerlin") / us("NoiseGenerator"), us("NoiseLibnoisePerlin") / us("NoiseGenerator")
    printf "  -> three cosines per sample cost %.1f ns (%.0f%% of a sample)\n\n", \
      (us("NoiseGeneratorCosine") - us("NoiseGenerator")) * 1000 / n, \
      100 * (us("NoiseGeneratorCosine") - us("NoiseGenerator")) / us("NoiseGeneratorCosine")
    row("normal field 256 x 256 (SSE2)", "NormalFieldGenerator")
    row("normal field 256 x 256 (scalar form of the tests)", "NormalFieldScalar")
    row("normal field + shader-grid upload 256 x 256", "NormalFieldAndUpload")
    printf "  -> the field is %.1fx faster than the scalar form\n\n", us("NormalFieldScalar") / us("NormalFieldGenerator")
    printf "  Update at a 512 request, waited for (wall / host thread CPU / process CPU / device = process - host)\n"
    split("PixelShader20 PixelShader14 NoPixelShader", classes, " ")
    for (i = 1; i <= 3; i++) {
      c = classes[i]; w = "BM_Update/" c "_waited/repeats:3/real_time"; p = "BM_Update/" c "_process/repeats:3/process_time"
      printf "  %-16s %8.2f ms %8.2f ms %8.2f ms %8.2f ms\n", c, real[w], cpu[w], cpu[p], cpu[p] - cpu[w]
    }
  }' "$out"
