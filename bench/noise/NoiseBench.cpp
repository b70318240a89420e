// The generator's per-frame CPU work on the common path (layer synthesis and
// the upload into two dynamic noise textures) and the one-off volume build.
#include "WaveGenerator.h"

#include <TestDevice.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

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

// A dynamic texture in plain memory that records nothing, so that only the
// generator's own work is timed.
class MemoryTexture final : public IDirect3DTexture9
{
public:
    MemoryTexture(int nBytesPerTexel) : m_nPitch(128 * nBytesPerTexel), m_bytes(128 * m_nPitch) {}
    virtual ~MemoryTexture() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_nRefs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG n = --m_nRefs;
        if (n == 0)
            delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9**) override { return E_NOTIMPL; }
    DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD STDMETHODCALLTYPE SetLOD(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetLOD() override { return 0; }
    DWORD STDMETHODCALLTYPE GetLevelCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override
    {
        return E_NOTIMPL;
    }
    D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override { return D3DTEXF_NONE; }
    void STDMETHODCALLTYPE GenerateMipSubLevels() override {}
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT, D3DSURFACE_DESC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT, IDirect3DSurface9**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE LockRect(UINT, D3DLOCKED_RECT* pLocked, const RECT*, DWORD) override
    {
        pLocked->pBits = m_bytes.data();
        pLocked->Pitch = m_nPitch;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT) override { return D3D_OK; }
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT*) override { return D3D_OK; }

    const unsigned char* Bytes() const { return m_bytes.data(); }

private:
    ULONG m_nRefs = 1;
    int m_nPitch;
    std::vector<unsigned char> m_bytes;
};

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
        const int nBytes = b8Bit ? 1 : 2;
        // The generator releases them when it is destroyed.
        Probe::SetNoiseTextures(*generator, new MemoryTexture(nBytes), new MemoryTexture(nBytes),
                                b8Bit);
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
