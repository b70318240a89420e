#include "DeviceTest.h"

#include <FormatSize.h>

#include <algorithm>

namespace swk::test
{

IDirect3D9* DeviceTest::d3d_ = nullptr;

namespace
{

const char* const kTexcoordVertexShader = R"(#version 450
layout(location = 0) in vec4 inPosition;
layout(location = 1) in vec2 inTexCoord;
layout(location = 0) out vec2 outTexCoord;
void main()
{
    outTexCoord = inTexCoord;
    gl_Position = vec4(inTexCoord.x * 2.0 - 1.0, 1.0 - inTexCoord.y * 2.0, 0.0, 1.0);
}
)";

const std::vector<BlobInput> kTexcoordInputs = {{0, D3DDECLUSAGE_POSITION, 0},
                                                {1, D3DDECLUSAGE_TEXCOORD, 0}};

constexpr uint8_t kCanary = 0xCD;

} // namespace

const char* const kTexcoordPixelShader = R"(#version 450
layout(location = 0) in vec2 texCoord;
layout(location = 0) out vec4 color;
void main() { color = vec4(texCoord, 0.0, 1.0); }
)";

const QuadVertex kFullQuad[6] = {{0, 0, 0, 0, 0}, {0, 1, 0, 0, 1}, {1, 1, 0, 1, 1},
                                 {1, 1, 0, 1, 1}, {1, 0, 0, 1, 0}, {0, 0, 0, 0, 0}};

std::array<ScreenVertex, 4> screenQuad(D3DCOLOR color, float z, float x0, float x1)
{
    return {{{x0 - 0.5f, -0.5f, z, 1.0f, color},
             {x1 - 0.5f, -0.5f, z, 1.0f, color},
             {x0 - 0.5f, 7.5f, z, 1.0f, color},
             {x1 - 0.5f, 7.5f, z, 1.0f, color}}};
}

void DeviceTest::SetUpTestSuite()
{
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
}

void DeviceTest::TearDownTestSuite()
{
    if (d3d_)
        d3d_->Release();
    d3d_ = nullptr;
}

void DeviceTest::SetUp()
{
    ASSERT_NE(d3d_, nullptr) << "no Vulkan device for Direct3D 9";
}

ComPtr<IDirect3DDevice9> DeviceTest::createDevice(UINT width, UINT height, D3DFORMAT format,
                                                  bool depth, IDirect3D9* d3d)
{
    D3DPRESENT_PARAMETERS pp = presentation(width, height, format, depth);
    ComPtr<IDirect3DDevice9> device;
    EXPECT_EQ((d3d ? d3d : d3d_)
                  ->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, device.out()),
              D3D_OK);
    return device;
}

ComPtr<IDirect3DTexture9> DeviceTest::renderTarget(UINT width, UINT height, D3DFORMAT format,
                                                   UINT levels, DWORD usage)
{
    ComPtr<IDirect3DTexture9> texture;
    EXPECT_EQ(device_->CreateTexture(width, height, levels, usage, format, D3DPOOL_DEFAULT,
                                     texture.out(), nullptr),
              D3D_OK);
    return texture;
}

ComPtr<IDirect3DSurface9> DeviceTest::level(IDirect3DTexture9* texture, UINT index)
{
    ComPtr<IDirect3DSurface9> surface;
    EXPECT_EQ(texture->GetSurfaceLevel(index, surface.out()), D3D_OK);
    return surface;
}

ComPtr<IDirect3DSurface9> DeviceTest::bindTarget(UINT width, UINT height, D3DFORMAT format)
{
    ComPtr<IDirect3DTexture9> texture = renderTarget(width, height, format);
    if (!texture)
        return {};
    ComPtr<IDirect3DSurface9> surface = level(texture.get());
    EXPECT_EQ(device_->SetRenderTarget(0, surface.get()), D3D_OK);
    return surface;
}

ComPtr<IDirect3DVertexBuffer9> DeviceTest::vertexBuffer(const void* vertices, UINT bytes,
                                                        DWORD usage, DWORD fvf, D3DPOOL pool)
{
    ComPtr<IDirect3DVertexBuffer9> vb;
    EXPECT_EQ(device_->CreateVertexBuffer(bytes, usage, fvf, pool, vb.out(), nullptr), D3D_OK);
    void* data = nullptr;
    if (!vb || vb->Lock(0, 0, &data, 0) != D3D_OK)
        return {};
    std::memcpy(data, vertices, bytes);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    return vb;
}

void DeviceTest::drawQuad(IDirect3DPixelShader9* ps, IDirect3DBaseTexture9* texture)
{
    const std::vector<DWORD> blob = vertexBlob(kTexcoordVertexShader, kTexcoordInputs);
    ComPtr<IDirect3DVertexShader9> vs;
    ASSERT_TRUE(!blob.empty() && device_->CreateVertexShader(blob.data(), vs.out()) == D3D_OK);
    device_->SetVertexShader(vs.get());
    device_->SetPixelShader(ps);
    device_->SetTexture(0, texture);
    device_->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    scene(
        [&]
        { return device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kFullQuad, sizeof(QuadVertex)); });
    device_->SetTexture(0, nullptr);
}

void DeviceTest::scene(const std::function<HRESULT()>& draw)
{
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(draw(), D3D_OK);
    ASSERT_EQ(device_->EndScene(), D3D_OK);
}

void DeviceTest::selectDiffuse()
{
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
}

Pixels DeviceTest::read(IDirect3DSurface9* surface)
{
    D3DSURFACE_DESC desc{};
    EXPECT_EQ(surface->GetDesc(&desc), D3D_OK);
    return read(desc.Width, desc.Height, desc.Format,
                [&](IDirect3DSurface9* copy)
                { return device_->GetRenderTargetData(surface, copy); });
}

Pixels DeviceTest::read(UINT width, UINT height, D3DFORMAT format,
                        const std::function<HRESULT(IDirect3DSurface9*)>& copyInto)
{
    Pixels pixels{width, height, BytesPerTexel(format), {}};
    const UINT rowBytes = width * pixels.bytesPerTexel;
    ComPtr<IDirect3DSurface9> copy = systemSurface(width, height, format);
    if (!copy)
        return pixels;
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(copy->LockRect(&locked, nullptr, 0), D3D_OK);
    EXPECT_GE(locked.Pitch, INT(rowBytes));
    const size_t pitch = size_t(locked.Pitch);
    std::memset(locked.pBits, kCanary, pitch * height);
    copy->UnlockRect();

    EXPECT_EQ(copyInto(copy.get()), D3D_OK);

    EXPECT_EQ(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(size_t(locked.Pitch), pitch) << "the pitch changed between locks";
    const auto* bits = static_cast<const uint8_t*>(locked.pBits);
    pixels.bytes.resize(size_t(rowBytes) * height);
    for (UINT y = 0; y < height; ++y)
    {
        std::memcpy(pixels.bytes.data() + size_t(y) * rowBytes, bits + y * pitch, rowBytes);
        for (size_t x = rowBytes; x < pitch; ++x)
            EXPECT_EQ(bits[y * pitch + x], kCanary) << "row " << y << " wrote past its end";
    }
    copy->UnlockRect();
    return pixels;
}

ComPtr<IDirect3DSurface9> DeviceTest::systemSurface(UINT width, UINT height, D3DFORMAT format)
{
    ComPtr<IDirect3DSurface9> surface;
    EXPECT_EQ(device_->CreateOffscreenPlainSurface(width, height, format, D3DPOOL_SYSTEMMEM,
                                                   surface.out(), nullptr),
              D3D_OK);
    return surface;
}

ComPtr<IDirect3DTexture9> DeviceTest::dynamicTexture(UINT width, UINT height, D3DFORMAT format,
                                                     const void* texels, UINT rowBytes)
{
    ComPtr<IDirect3DTexture9> texture;
    EXPECT_EQ(device_->CreateTexture(width, height, 1, D3DUSAGE_DYNAMIC, format, D3DPOOL_DEFAULT,
                                     texture.out(), nullptr),
              D3D_OK);
    D3DLOCKED_RECT locked{};
    if (!texture || texture->LockRect(0, &locked, nullptr, 0) != D3D_OK)
        return {};
    EXPECT_GE(locked.Pitch, INT(rowBytes));
    for (UINT y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                    static_cast<const uint8_t*>(texels) + size_t(y) * rowBytes, rowBytes);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    return texture;
}

ComPtr<IDirect3DPixelShader9> DeviceTest::pixelShader(const std::string& glsl)
{
    const std::vector<DWORD> blob = pixelBlob(glsl);
    ComPtr<IDirect3DPixelShader9> shader;
    EXPECT_TRUE(!blob.empty() && device_->CreatePixelShader(blob.data(), shader.out()) == D3D_OK);
    return shader;
}

} // namespace swk::test
