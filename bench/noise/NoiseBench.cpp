// The generator's per-frame CPU work on the common path (layer synthesis and
// the upload into two dynamic noise textures) and the one-off volume build.
#include "WaveGenerator.h"

#include <TestDevice.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

struct CWaveGeneratorProbe
{
    static void BuildNoiseVolume(CWaveGenerator& g) { g.BuildNoiseVolume(); }
    static void SynthesizeLayers(CWaveGenerator& g, DWORD dwElapsed)
    {
        g.SynthesizeLayers(dwElapsed);
    }
    static void UploadNoiseLayers(CWaveGenerator& g) { g.UploadNoiseLayers(); }
    static void SetNoiseTextures(CWaveGenerator& g, IDirect3DTexture9* p0, IDirect3DTexture9* p1,
                                 bool b8Bit)
    {
        g.m_pNoiseTex[0] = p0;
        g.m_pNoiseTex[1] = p1;
        g.m_b8BitNoise = b8Bit;
    }
    static const int* Layers(CWaveGenerator& g) { return &g.m_anLayer[0][0][0]; }
};

namespace
{
using Probe = CWaveGeneratorProbe;

struct Fixture
{
    explicit Fixture(bool b8Bit)
    {
        swk::test::TestDevice::Options options;
        // No effects to compile; the noise stages are the same on every path.
        options.pixelShaderVersion = 0;
        device = std::make_unique<swk::test::TestDevice>(options);
        srand(1);
        generator = std::make_unique<CWaveGenerator>(device.get(), 64, 64);
        IDirect3DTexture9* apTexture[2] = {};
        for (IDirect3DTexture9*& pTexture : apTexture)
            device->CreateTexture(128, 128, 1, D3DUSAGE_DYNAMIC, b8Bit ? D3DFMT_L8 : D3DFMT_L16,
                                  D3DPOOL_DEFAULT, &pTexture, nullptr);
        // The generator releases them when it is destroyed.
        Probe::SetNoiseTextures(*generator, apTexture[0], apTexture[1], b8Bit);
    }
    std::unique_ptr<swk::test::TestDevice> device;
    std::unique_ptr<CWaveGenerator> generator;
};

void BM_SynthesizeLayers(benchmark::State& state)
{
    Fixture f(false);
    for (auto _ : state)
    {
        Probe::SynthesizeLayers(*f.generator, 16);
        benchmark::DoNotOptimize(Probe::Layers(*f.generator));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SynthesizeLayers)->Unit(benchmark::kMicrosecond);

void BM_UploadNoiseLayers(benchmark::State& state)
{
    Fixture f(state.range(0) == 8);
    Probe::SynthesizeLayers(*f.generator, 16);
    for (auto _ : state)
    {
        Probe::UploadNoiseLayers(*f.generator);
        // The device records every call (well under a microsecond a frame);
        // only the last frame's are kept.
        f.device->ClearCalls();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_UploadNoiseLayers)->Arg(16)->Arg(8)->Unit(benchmark::kMicrosecond);

void BM_Frame(benchmark::State& state)
{
    Fixture f(state.range(0) == 8);
    for (auto _ : state)
    {
        Probe::SynthesizeLayers(*f.generator, 16);
        Probe::UploadNoiseLayers(*f.generator);
        // The device records every call (well under a microsecond a frame);
        // only the last frame's are kept.
        f.device->ClearCalls();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Frame)->Arg(16)->Arg(8)->Unit(benchmark::kMicrosecond);

void BM_BuildNoiseVolume(benchmark::State& state)
{
    Fixture f(false);
    for (auto _ : state)
    {
        srand(1);
        Probe::BuildNoiseVolume(*f.generator);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BuildNoiseVolume)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
