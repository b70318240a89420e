// Frames per second of `swellkit bake` writing height and normal PNGs (no
// preview) on the ps20 path: the frame loop from the first Update to the last
// file renamed into place, with encoding on the worker thread overlapping the
// generator. Device creation and the generator's construction are left out.
#include "bake/Bake.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace
{

void BakeFrames(benchmark::State& state)
{
    swk::tools::BakeOptions options;
    options.width = options.height = int(state.range(0));
    options.frames = 60;
    options.previews = false;
    options.force = true;
    options.quiet = true;
    options.seed = 1;
    options.out =
        (std::filesystem::temp_directory_path() / ("swk_bake_bench." + std::to_string(::getpid())))
            .string();
    double generatorMs = 0, writingMs = 0;
    for (auto _ : state)
    {
        const swk::tools::BakeResult result = swk::tools::RunBake(options);
        state.SetIterationTime(result.loopSeconds);
        generatorMs += result.generatorMs;
        writingMs += result.writingMs;
    }
    std::filesystem::remove_all(options.out);
    state.SetItemsProcessed(state.iterations() * options.frames);
    state.counters["generator_ms"] = generatorMs / double(state.iterations());
    state.counters["writing_ms"] = writingMs / double(state.iterations());
}

} // namespace

BENCHMARK(BakeFrames)
    ->ArgName("size")
    ->Arg(256)
    ->Arg(512)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_MAIN();
