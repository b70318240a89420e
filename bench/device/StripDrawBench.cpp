// A grid drawn as one triangle strip per row into a 512 x 512 target, as the
// generator draws its normal map on devices below pixel shader 1.1 (pretransformed
// diffuse vertices through the fixed-function pipeline) and on pixel shader 1.1
// devices (untransformed vertices through a shader pair). Both draw the same
// number of strips with the same number of vertices, and each frame ends with
// a readback so the draws have run when the time is taken.
#include "BenchDevice.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace
{

#include "Quad.vert.h"
#include "Strip.frag.h"

constexpr UINT kTarget = 512;

struct ScreenVertex
{
    float x, y, z, rhw;
    D3DCOLOR diffuse;
};

struct ShaderVertex
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

class Strips
{
public:
    Strips(UINT grid, bool fixedFunction) : grid_(grid), fixedFunction_(fixedFunction)
    {
        if (!device_)
            return;
        device_->CreateTexture(kTarget, kTarget, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                               D3DPOOL_DEFAULT, &target_, nullptr);
        device_->CreateOffscreenPlainSurface(kTarget, kTarget, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                             &readback_, nullptr);
        fixedFunction ? fillScreenGrid() : fillShaderGrid();
        if (!fixedFunction)
        {
            const auto vs = swk::bench::shaderBlob(
                swk::ShaderBlobStage::Vertex, kQuad_vert,
                {{0, D3DDECLUSAGE_POSITION, 0}, {1, D3DDECLUSAGE_TEXCOORD, 0}});
            const auto ps = swk::bench::shaderBlob(swk::ShaderBlobStage::Pixel, kStrip_frag);
            device_->CreateVertexShader(vs.data(), &vs_);
            device_->CreatePixelShader(ps.data(), &ps_);
        }
    }

    ~Strips()
    {
        for (IUnknown* object :
             std::initializer_list<IUnknown*>{target_, readback_, gridBuffer_, vs_, ps_})
            if (object)
                object->Release();
    }

    bool ready() const { return readback_ && gridBuffer_ && (fixedFunction_ || (vs_ && ps_)); }
    UINT draws() const { return grid_; }

    void run()
    {
        IDirect3DSurface9* saved = nullptr;
        IDirect3DSurface9* surface = nullptr;
        device_->GetRenderTarget(0, &saved);
        target_->GetSurfaceLevel(0, &surface);
        device_->BeginScene();
        device_->SetRenderTarget(0, surface);
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xffffffff, 1.0f, 0);
        device_->SetRenderState(D3DRS_LIGHTING, FALSE);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        if (fixedFunction_)
        {
            device_->SetStreamSource(0, gridBuffer_, 0, sizeof(ScreenVertex));
            device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
            device_->SetVertexShader(nullptr);
            device_->SetPixelShader(nullptr);
            device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
            device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
            device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
            device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        }
        else
        {
            device_->SetStreamSource(0, gridBuffer_, 0, sizeof(ShaderVertex));
            device_->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
            device_->SetVertexShader(vs_);
            device_->SetPixelShader(ps_);
        }
        for (UINT r = 0; r < grid_; ++r)
            device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 2 * grid_ * r, 2 * (grid_ - 1));
        device_->SetRenderTarget(0, saved);
        device_->EndScene();
        device_->GetRenderTargetData(surface, readback_);
        surface->Release();
        saved->Release();
    }

private:
    // Vertex 2c of row r is the strip's top edge at column c, 2c + 1 its bottom;
    // the grid lies inside the target, as the generator's does, so no strip is
    // clipped.
    template <typename Vertex, typename Make> void fill(DWORD fvf, Make make)
    {
        const UINT count = 2 * grid_ * grid_;
        device_->CreateVertexBuffer(count * sizeof(Vertex), D3DUSAGE_WRITEONLY, fvf,
                                    D3DPOOL_MANAGED, &gridBuffer_, nullptr);
        void* data = nullptr;
        if (!gridBuffer_ || FAILED(gridBuffer_->Lock(0, 0, &data, 0)))
            return;
        auto* v = static_cast<Vertex*>(data);
        for (UINT r = 0; r < grid_; ++r)
            for (UINT c = 0; c < grid_; ++c)
            {
                *v++ = make(float(c) / grid_, float(r) / grid_, r, c);
                *v++ = make(float(c) / grid_, float(r + 1) / grid_, r, c);
            }
        gridBuffer_->Unlock();
    }

    void fillScreenGrid()
    {
        fill<ScreenVertex>(D3DFVF_XYZRHW | D3DFVF_DIFFUSE,
                           [](float u, float v, UINT r, UINT c)
                           {
                               const D3DCOLOR color =
                                   0xff000080u | ((c & 0xff) << 16) | ((r & 0xff) << 8);
                               return ScreenVertex{u * kTarget, v * kTarget, 0.5f, 1.0f, color};
                           });
    }

    void fillShaderGrid()
    {
        fill<ShaderVertex>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1,
                           [](float u, float v, UINT, UINT)
                           { return ShaderVertex{u, v, 0.0f, 0.0f, 0.0f, 1.0f, u, v}; });
    }

    UINT grid_;
    bool fixedFunction_;
    swk::bench::HeadlessDevice host_;
    IDirect3DDevice9* device_ = host_.get();
    IDirect3DTexture9* target_ = nullptr;
    IDirect3DSurface9* readback_ = nullptr;
    IDirect3DVertexBuffer9* gridBuffer_ = nullptr;
    IDirect3DVertexShader9* vs_ = nullptr;
    IDirect3DPixelShader9* ps_ = nullptr;
};

void runStrips(benchmark::State& state, bool fixedFunction)
{
    Strips strips(static_cast<UINT>(state.range(0)), fixedFunction);
    if (!strips.ready())
    {
        state.SkipWithError("no Direct3D 9 device over Vulkan");
        return;
    }
    // The first frames carry the driver's shader compilation.
    for (int i = 0; i < 3; ++i)
        strips.run();
    for (auto _ : state)
        strips.run();
    // Seconds per draw, the readback's share included.
    state.counters["per_draw_s"] =
        benchmark::Counter(strips.draws(), benchmark::Counter::kIsIterationInvariantRate |
                                               benchmark::Counter::kInvert);
}

void BM_FixedFunctionStrips(benchmark::State& state)
{
    runStrips(state, true);
}
void BM_ShaderStrips(benchmark::State& state)
{
    runStrips(state, false);
}

BENCHMARK(BM_FixedFunctionStrips)
    ->Arg(32)
    ->Arg(64)
    ->Arg(128)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ShaderStrips)
    ->Arg(32)
    ->Arg(64)
    ->Arg(128)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
