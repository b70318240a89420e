// One 512 x 512 frame as the generator draws it on a pixel shader 2.0 device:
// two noise uploads, the height pass (two samples), the normal pass (five
// samples) into a texture with automatic mip levels, the mip chain, and one
// readback of the normal map, after warm-up.
#include "BenchDevice.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

#include "Height.frag.h"
#include "Normal.frag.h"
#include "Quad.vert.h"

constexpr UINT kMap = 512;
constexpr UINT kNoise = 128;

struct QuadVertex
{
    float x, y, z, u, v;
};

class Frame
{
public:
    Frame()
    {
        if (!device_)
            return;
        for (auto& noise : noise_)
            device_->CreateTexture(kNoise, kNoise, 1, D3DUSAGE_DYNAMIC, D3DFMT_L16, D3DPOOL_DEFAULT,
                                   &noise, nullptr);
        device_->CreateTexture(kMap, kMap, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A16B16G16R16,
                               D3DPOOL_DEFAULT, &height_, nullptr);
        device_->CreateTexture(kMap, kMap, 0, D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP,
                               D3DFMT_A16B16G16R16, D3DPOOL_DEFAULT, &normal_, nullptr);
        device_->CreateOffscreenPlainSurface(kMap, kMap, D3DFMT_A16B16G16R16, D3DPOOL_SYSTEMMEM,
                                             &readback_, nullptr);
        device_->CreateVertexBuffer(sizeof(QuadVertex) * 6, 0, D3DFVF_XYZ | D3DFVF_TEX1,
                                    D3DPOOL_MANAGED, &quad_, nullptr);
        void* data = nullptr;
        if (quad_ && SUCCEEDED(quad_->Lock(0, 0, &data, 0)))
        {
            const QuadVertex quad[6] = {{0, 0, 0, 0, 0}, {0, 1, 0, 0, 1}, {1, 1, 0, 1, 1},
                                        {1, 1, 0, 1, 1}, {1, 0, 0, 1, 0}, {0, 0, 0, 0, 0}};
            std::memcpy(data, quad, sizeof quad);
            quad_->Unlock();
        }
        const auto vs =
            swk::bench::shaderBlob(swk::ShaderBlobStage::Vertex, kQuad_vert,
                                   {{0, D3DDECLUSAGE_POSITION, 0}, {1, D3DDECLUSAGE_TEXCOORD, 0}});
        const auto heightPs = swk::bench::shaderBlob(swk::ShaderBlobStage::Pixel, kHeight_frag);
        const auto normalPs = swk::bench::shaderBlob(swk::ShaderBlobStage::Pixel, kNormal_frag);
        device_->CreateVertexShader(vs.data(), &vs_);
        device_->CreatePixelShader(heightPs.data(), &heightPs_);
        device_->CreatePixelShader(normalPs.data(), &normalPs_);
        layer_.resize(kNoise * kNoise);
    }

    ~Frame()
    {
        for (IUnknown* object :
             std::initializer_list<IUnknown*>{noise_[0], noise_[1], height_, normal_, readback_,
                                              quad_, vs_, heightPs_, normalPs_})
            if (object)
                object->Release();
    }

    bool ready() const { return readback_ && quad_ && vs_ && heightPs_ && normalPs_; }

    void run(uint32_t frame)
    {
        for (int t = 0; t < 2; ++t)
        {
            for (UINT i = 0; i < kNoise * kNoise; ++i)
                layer_[i] = uint16_t(32768 + ((i * 2654435761u + frame * 40503u) >> 20));
            D3DLOCKED_RECT locked{};
            if (FAILED(noise_[t]->LockRect(0, &locked, nullptr, 0)))
                return;
            for (UINT y = 0; y < kNoise; ++y)
                std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch,
                            &layer_[y * kNoise], kNoise * 2);
            noise_[t]->UnlockRect(0);
        }

        IDirect3DSurface9* saved = nullptr;
        device_->GetRenderTarget(0, &saved);
        device_->BeginScene();
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device_->SetStreamSource(0, quad_, 0, sizeof(QuadVertex));
        device_->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
        device_->SetVertexShader(vs_);
        for (DWORD s = 0; s < 2; ++s)
        {
            device_->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
            device_->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
            device_->SetSamplerState(s, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        }

        pass(height_, 0xff7f7f7f, heightPs_, noise_[0], noise_[1]);
        const float offset[4] = {2.5f / kMap, 2.5f / kMap, 0.0f, 0.0f};
        device_->SetVertexShaderConstantF(0, offset, 1);
        device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
        device_->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR);
        pass(normal_, 0xff7fff7f, normalPs_, height_, nullptr);
        device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        device_->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);

        device_->SetRenderTarget(0, saved);
        saved->Release();
        device_->EndScene();

        normal_->GenerateMipSubLevels();
        IDirect3DSurface9* top = nullptr;
        normal_->GetSurfaceLevel(0, &top);
        device_->GetRenderTargetData(top, readback_);
        top->Release();
    }

private:
    void pass(IDirect3DTexture9* target, D3DCOLOR clear, IDirect3DPixelShader9* ps,
              IDirect3DTexture9* t0, IDirect3DTexture9* t1)
    {
        IDirect3DSurface9* surface = nullptr;
        target->GetSurfaceLevel(0, &surface);
        device_->SetRenderTarget(0, surface);
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
        device_->SetPixelShader(ps);
        device_->SetTexture(0, t0);
        device_->SetTexture(1, t1);
        device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
        device_->SetTexture(0, nullptr);
        device_->SetTexture(1, nullptr);
        surface->Release();
    }

    swk::bench::HeadlessDevice host_;
    IDirect3DDevice9* device_ = host_.get();
    IDirect3DTexture9* noise_[2] = {};
    IDirect3DTexture9* height_ = nullptr;
    IDirect3DTexture9* normal_ = nullptr;
    IDirect3DSurface9* readback_ = nullptr;
    IDirect3DVertexBuffer9* quad_ = nullptr;
    IDirect3DVertexShader9* vs_ = nullptr;
    IDirect3DPixelShader9* heightPs_ = nullptr;
    IDirect3DPixelShader9* normalPs_ = nullptr;
    std::vector<uint16_t> layer_;
};

void BM_GeneratorFrame512(benchmark::State& state)
{
    Frame frame;
    if (!frame.ready())
    {
        state.SkipWithError("no Direct3D 9 device over Vulkan");
        return;
    }
    uint32_t n = 0;
    // The first frames carry the driver's shader and blit compilation.
    for (int i = 0; i < 3; ++i)
        frame.run(n++);
    for (auto _ : state)
        frame.run(n++);
}
BENCHMARK(BM_GeneratorFrame512)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
