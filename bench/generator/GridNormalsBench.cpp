// The per-frame CPU work of devices without pixel shader 2.0: the normal of
// every grid point from the two layers, then their upload into the grid.
#include <WaveGenerator.h>
#include <TestDevice.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

struct CWaveGeneratorProbe
{
    static void ComputeGridNormals(CWaveGenerator& g) { g.ComputeGridNormals(); }
    static void UploadGridNormals(CWaveGenerator& g) { g.UploadGridNormals(); }
    static int (&Layers(CWaveGenerator& g))[2][128][128] { return g.m_anLayer; }
};

namespace
{

using Probe = CWaveGeneratorProbe;

// A generator whose grid is size x size points, with layers of a frame's range.
struct Frame
{
    Frame(DWORD psVersion, int size)
    {
        swk::test::TestDevice::Options options;
        options.pixelShaderVersion = psVersion;
        device = std::make_unique<swk::test::TestDevice>(options);
        const int scale = psVersion >= D3DPS_VERSION(1, 1) ? 2 : 4;
        generator = std::make_unique<CWaveGenerator>(device.get(), scale * size, scale * size);
        std::mt19937 random(17);
        std::uniform_int_distribution<int> value(-16384, 16383);
        for (auto& layer : Probe::Layers(*generator))
            for (auto& row : layer)
                for (int& v : row)
                    v = value(random);
    }
    std::unique_ptr<swk::test::TestDevice> device;
    std::unique_ptr<CWaveGenerator> generator;
};

void Run(benchmark::State& state, DWORD psVersion)
{
    const int size = static_cast<int>(state.range(0));
    Frame frame(psVersion, size);
    for (auto _ : state)
    {
        Probe::ComputeGridNormals(*frame.generator);
        Probe::UploadGridNormals(*frame.generator);
        benchmark::ClobberMemory();
        // The recording device logs each lock; a long run must not grow it.
        frame.device->ClearCalls();
    }
    state.SetItemsProcessed(state.iterations() * size * size);
}

void ComputeOnly(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    Frame frame(D3DPS_VERSION(1, 4), size);
    for (auto _ : state)
    {
        Probe::ComputeGridNormals(*frame.generator);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * size * size);
}

void ShaderGrid(benchmark::State& state)
{
    Run(state, D3DPS_VERSION(1, 4));
}
void ScreenGrid(benchmark::State& state)
{
    Run(state, 0);
}

} // namespace

BENCHMARK(ComputeOnly)->Arg(128)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(ShaderGrid)->Arg(128)->Arg(256)->Unit(benchmark::kMicrosecond);
BENCHMARK(ScreenGrid)->Arg(128)->Arg(256)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
