// The generator on the Direct3D 9 device over Vulkan at a requested map size
// of 512 x 512, on each of its three paths: a whole Update, and construction
// (effects compiled, noise volume built, resources created).
//
// Update is measured twice: as a host that never waits sees it (frames queue
// up until the device's ring of frames in flight is full), and waited for, by
// reading back the normal map's 1 x 1 level, which the device can only copy
// once the frame's passes and mip chain are done.
#include "BenchDevice.h"

#include <WaveGenerator.h>

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

constexpr int kRequested = 512;

// A host's device of the given class, with the depth buffer a host has.
swk::bench::HeadlessDeviceOptions hostOptions(DWORD pixelShaderVersion)
{
    swk::bench::HeadlessDeviceOptions options;
    options.pixelShaderVersion = pixelShaderVersion;
    options.autoDepthStencil = true;
    return options;
}

// Copies the last level of the normal map into system memory, which waits for
// everything the device was given before.
class Fence
{
public:
    Fence(IDirect3DDevice9* device, IDirect3DTexture9* map) : device_(device)
    {
        const DWORD last = map->GetLevelCount() - 1;
        D3DSURFACE_DESC desc{};
        map->GetLevelDesc(last, &desc);
        map->GetSurfaceLevel(last, &level_);
        device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM,
                                            &copy_, nullptr);
    }
    ~Fence()
    {
        if (copy_)
            copy_->Release();
        if (level_)
            level_->Release();
    }
    Fence(const Fence&) = delete;
    Fence& operator=(const Fence&) = delete;

    bool ready() const { return level_ && copy_; }
    void wait() { device_->GetRenderTargetData(level_, copy_); }

private:
    IDirect3DDevice9* device_;
    IDirect3DSurface9* level_ = nullptr;
    IDirect3DSurface9* copy_ = nullptr;
};

void BM_Update(benchmark::State& state, DWORD pixelShaderVersion, bool waited)
{
    const swk::bench::HeadlessDevice host(hostOptions(pixelShaderVersion));
    if (!host.get())
    {
        state.SkipWithError("no Direct3D 9 device over Vulkan");
        return;
    }
    CWaveGenerator water(host.get(), kRequested, kRequested);
    if (!water.GetNormalMap())
    {
        state.SkipWithError("the generator has no normal map");
        return;
    }
    Fence fence(host.get(), water.GetNormalMap());
    // The first frames carry the driver's pipeline and blit compilation.
    for (int i = 0; i < 5; ++i)
        water.Update(16);
    fence.wait();
    for (auto _ : state)
    {
        water.Update(16);
        if (waited)
            fence.wait();
    }
    fence.wait();
    D3DSURFACE_DESC desc{};
    water.GetNormalMap()->GetLevelDesc(0, &desc);
    state.counters["map"] = desc.Width;
}

void BM_Construct(benchmark::State& state, DWORD pixelShaderVersion)
{
    const swk::bench::HeadlessDevice host(hostOptions(pixelShaderVersion));
    if (!host.get())
    {
        state.SkipWithError("no Direct3D 9 device over Vulkan");
        return;
    }
    for (auto _ : state)
    {
        auto water = std::make_unique<CWaveGenerator>(host.get(), kRequested, kRequested);
        benchmark::DoNotOptimize(water->GetNormalMap());
    }
}

const DWORD kPixelShader20 = D3DPS_VERSION(2, 0);
const DWORD kPixelShader14 = D3DPS_VERSION(1, 4);
const DWORD kNoPixelShader = 0;

} // namespace

#define SWK_UPDATE(name, version, waited)                                                          \
    BENCHMARK_CAPTURE(BM_Update, name, version, waited)                                            \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->UseRealTime()                                                                            \
        ->Repetitions(3)                                                                           \
        ->ReportAggregatesOnly(true)

// The same waited frames with the CPU time of every thread of the process (the
// driver's queue and rasterizer threads included) in the CPU column, which
// stays meaningful on a loaded machine where the wall clock does not.
#define SWK_UPDATE_PROCESS(name, version)                                                          \
    BENCHMARK_CAPTURE(BM_Update, name, version, true)                                              \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->MeasureProcessCPUTime()                                                                  \
        ->Repetitions(3)                                                                           \
        ->ReportAggregatesOnly(true)

SWK_UPDATE(PixelShader20, kPixelShader20, false);
SWK_UPDATE(PixelShader20_waited, kPixelShader20, true);
SWK_UPDATE(PixelShader14, kPixelShader14, false);
SWK_UPDATE(PixelShader14_waited, kPixelShader14, true);
SWK_UPDATE(NoPixelShader, kNoPixelShader, false);
SWK_UPDATE(NoPixelShader_waited, kNoPixelShader, true);
SWK_UPDATE_PROCESS(PixelShader20_process, kPixelShader20);
SWK_UPDATE_PROCESS(PixelShader14_process, kPixelShader14);
SWK_UPDATE_PROCESS(NoPixelShader_process, kNoPixelShader);

BENCHMARK_CAPTURE(BM_Construct, PixelShader20, kPixelShader20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Construct, PixelShader14, kPixelShader14)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Construct, NoPixelShader, kNoPixelShader)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
