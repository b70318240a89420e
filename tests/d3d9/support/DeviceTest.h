// A fixture with a Direct3D 9 device over Vulkan (lavapipe where there is no
// GPU), and helpers to draw and to read surfaces back.
#pragma once

#include <swk/Com.h>
#include "Presentation.h"

#include <d3d9.h>
#include <swk/DeviceOptions.h>
#include <swk/ShaderBlob.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace swk::test
{

// A shader blob our device accepts, from GLSL written to the blob
// conventions: uniform blocks of float4 registers at bindings 0 (vertex) and 1
// (pixel), samplers at binding 2 + s, varyings at the locations of their
// Direct3D semantics. Empty on a compile error, which is printed.
struct BlobInput
{
    uint32_t location;
    D3DDECLUSAGE usage;
    uint32_t usageIndex;
};
std::vector<DWORD> shaderBlob(ShaderBlobStage stage, const std::string& glsl,
                              const std::vector<BlobInput>& inputs = {});

struct Pixels
{
    UINT width = 0;
    UINT bytesPerTexel = 0;
    std::vector<uint8_t> bytes; // tightly packed rows

    template <typename T> T at(UINT x, UINT y, UINT channel) const
    {
        T value;
        std::memcpy(&value,
                    bytes.data() + (size_t(y) * width + x) * bytesPerTexel + channel * sizeof(T),
                    sizeof(T));
        return value;
    }
};

class DeviceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        d3d_ = ComPtr<IDirect3D9>::adopt(Direct3DCreate9(D3D_SDK_VERSION));
    }
    static void TearDownTestSuite() { d3d_.reset(); }
    void SetUp() override { ASSERT_TRUE(d3d_) << "no Vulkan device for Direct3D 9"; }

    static IDirect3D9* d3d() { return d3d_.get(); }
    ComPtr<IDirect3DDevice9> createDevice(UINT width, UINT height,
                                          D3DFORMAT format = D3DFMT_A8R8G8B8, bool depth = false,
                                          IDirect3D9* d3d = nullptr)
    {
        D3DPRESENT_PARAMETERS pp = presentation(width, height, format, depth);
        ComPtr<IDirect3DDevice9> device;
        EXPECT_EQ((d3d ? d3d : d3d_.get())
                      ->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, device.out()),
                  D3D_OK);
        return device;
    }

    // A default-pool texture, a render target unless the usage says otherwise.
    ComPtr<IDirect3DTexture9> renderTarget(UINT width, UINT height, D3DFORMAT format,
                                           UINT levels = 1, DWORD usage = D3DUSAGE_RENDERTARGET)
    {
        ComPtr<IDirect3DTexture9> texture;
        EXPECT_EQ(device_->CreateTexture(width, height, levels, usage, format, D3DPOOL_DEFAULT,
                                         texture.out(), nullptr),
                  D3D_OK);
        return texture;
    }
    // A surface keeps its texture alive.
    ComPtr<IDirect3DSurface9> level(IDirect3DTexture9* texture, UINT index = 0)
    {
        ComPtr<IDirect3DSurface9> surface;
        EXPECT_TRUE(texture && texture->GetSurfaceLevel(index, surface.out()) == D3D_OK);
        return surface;
    }
    // A new render target texture's top level, bound as render target 0.
    ComPtr<IDirect3DSurface9> bindTarget(UINT width, UINT height, D3DFORMAT format)
    {
        ComPtr<IDirect3DSurface9> surface = level(renderTarget(width, height, format).get());
        EXPECT_EQ(device_->SetRenderTarget(0, surface.get()), D3D_OK);
        return surface;
    }
    ComPtr<IDirect3DVertexBuffer9> vertexBuffer(const void* vertices, UINT bytes, DWORD usage,
                                                DWORD fvf, D3DPOOL pool);
    // The texture square with the texcoord vertex shader and culling off, in a
    // scene of its own.
    void drawQuad(IDirect3DPixelShader9* ps, IDirect3DBaseTexture9* texture = nullptr);
    // BeginScene, the draw, EndScene, each succeeding.
    void scene(const std::function<HRESULT()>& draw)
    {
        ASSERT_EQ(device_->BeginScene(), D3D_OK);
        EXPECT_EQ(draw(), D3D_OK);
        ASSERT_EQ(device_->EndScene(), D3D_OK);
    }
    // GetRenderTargetData into a system-memory surface whose lock is checked
    // for a consistent pitch; canary bytes around the copy catch overruns.
    Pixels read(IDirect3DSurface9* surface)
    {
        D3DSURFACE_DESC desc{};
        EXPECT_EQ(surface->GetDesc(&desc), D3D_OK);
        return read(desc.Width, desc.Height, desc.Format,
                    [&](IDirect3DSurface9* copy)
                    { return device_->GetRenderTargetData(surface, copy); });
    }
    // The same for whatever copy fills a system-memory surface of that size.
    Pixels read(UINT width, UINT height, D3DFORMAT format,
                const std::function<HRESULT(IDirect3DSurface9*)>& copy);
    ComPtr<IDirect3DSurface9> systemSurface(UINT width, UINT height,
                                            D3DFORMAT format = D3DFMT_A8R8G8B8)
    {
        ComPtr<IDirect3DSurface9> surface;
        EXPECT_EQ(device_->CreateOffscreenPlainSurface(width, height, format, D3DPOOL_SYSTEMMEM,
                                                       surface.out(), nullptr),
                  D3D_OK);
        return surface;
    }
    // A one-level dynamic texture in the default pool, filled through
    // LockRect row by row at the pitch.
    ComPtr<IDirect3DTexture9> dynamicTexture(UINT width, UINT height, D3DFORMAT format,
                                             const void* texels, UINT rowBytes);

    ComPtr<IDirect3DPixelShader9> pixelShader(const std::string& glsl)
    {
        const std::vector<DWORD> blob = shaderBlob(ShaderBlobStage::Pixel, glsl);
        ComPtr<IDirect3DPixelShader9> shader;
        EXPECT_TRUE(!blob.empty() &&
                    device_->CreatePixelShader(blob.data(), shader.out()) == D3D_OK);
        return shader;
    }

    ComPtr<IDirect3DDevice9> device_;

private:
    static inline ComPtr<IDirect3D9> d3d_;
};

// A fixture whose device is opened before each test.
template <UINT Width, UINT Height, D3DFORMAT Format = D3DFMT_A8R8G8B8, bool Depth = false>
class OpenDevice : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        device_ = createDevice(Width, Height, Format, Depth);
        ASSERT_TRUE(device_);
    }
};

// An 8 x 8 target over a depth surface, cleared to black, for screen quads
// drawn with fixed function passing the vertex colour through, as the
// generator's pretransformed passes draw.
class DiffuseTarget : public OpenDevice<8, 8, D3DFMT_A8R8G8B8, true>
{
protected:
    void SetUp() override
    {
        OpenDevice::SetUp();
        surface_ = bindTarget(8, 8, D3DFMT_A8R8G8B8);
        device_->SetRenderState(D3DRS_LIGHTING, FALSE);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                                 0xff000000, 1.0f, 0),
                  D3D_OK);
    }
    uint32_t pixel(UINT x = 4, UINT y = 4) { return read(surface_.get()).at<uint32_t>(x, y, 0); }

    ComPtr<IDirect3DSurface9> surface_;
};

// The texture square's vertex shader places positions by texture coordinate
// (clip = (2u - 1, 1 - 2v)), as the generator's quad is; this pixel shader
// writes the coordinate as colour.
extern const char* const kTexcoordPixelShader;

struct QuadVertex
{
    float x, y, z, u, v;
};
// A pretransformed vertex with its colour: D3DFVF_XYZRHW | D3DFVF_DIFFUSE.
struct ScreenVertex
{
    float x, y, z, rhw;
    D3DCOLOR diffuse;
};
// Two triangles over the texture square, as the generator draws them.
extern const QuadVertex kFullQuad[6];
// A clockwise strip over the pixel columns [x0, x1) of an 8-pixel-high target.
std::array<ScreenVertex, 4> screenQuad(D3DCOLOR color, float z = 0.5f, float x0 = 0.0f,
                                       float x1 = 8.0f);

} // namespace swk::test
