#include "DeviceTest.h"

#include "Glsl.h"

#include <FormatSize.h>

#include <algorithm>

namespace swk::test
{

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

constexpr uint8_t kCanary = 0xCD;

} // namespace

const char* const kTexcoordPixelShader = R"(#version 450
layout(location = 0) in vec2 texCoord;
layout(location = 0) out vec4 color;
void main() { color = vec4(texCoord, 0.0, 1.0); }
)";

const QuadVertex kFullQuad[6] = {{0, 0, 0, 0, 0}, {0, 1, 0, 0, 1}, {1, 1, 0, 1, 1},
                                 {1, 1, 0, 1, 1}, {1, 0, 0, 1, 0}, {0, 0, 0, 0, 0}};

std::vector<DWORD> shaderBlob(ShaderBlobStage stage, const std::string& glsl,
                              const std::vector<BlobInput>& inputs)
{
    const std::vector<uint32_t> spirv = compileGlsl(
        glsl, stage == ShaderBlobStage::Vertex ? GlslStage::Vertex : GlslStage::Fragment);
    if (spirv.empty())
        return {};
    ShaderBlobHeader header{kShaderBlobMagic, static_cast<uint32_t>(stage),
                            static_cast<uint32_t>(inputs.size()),
                            static_cast<uint32_t>(spirv.size())};
    std::vector<DWORD> blob(sizeof header / 4);
    std::memcpy(blob.data(), &header, sizeof header);
    for (const BlobInput& i : inputs)
        blob.insert(blob.end(), {i.location, DWORD(i.usage), i.usageIndex});
    blob.insert(blob.end(), spirv.begin(), spirv.end());
    return blob;
}

std::array<ScreenVertex, 4> screenQuad(D3DCOLOR color, float z, float x0, float x1)
{
    return {{{x0 - 0.5f, -0.5f, z, 1.0f, color},
             {x1 - 0.5f, -0.5f, z, 1.0f, color},
             {x0 - 0.5f, 7.5f, z, 1.0f, color},
             {x1 - 0.5f, 7.5f, z, 1.0f, color}}};
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
    const std::vector<DWORD> blob =
        shaderBlob(ShaderBlobStage::Vertex, kTexcoordVertexShader,
                   {{0, D3DDECLUSAGE_POSITION, 0}, {1, D3DDECLUSAGE_TEXCOORD, 0}});
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

Pixels DeviceTest::read(UINT width, UINT height, D3DFORMAT format,
                        const std::function<HRESULT(IDirect3DSurface9*)>& copyInto)
{
    Pixels pixels{width, BytesPerTexel(format), {}};
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

ComPtr<IDirect3DTexture9> DeviceTest::dynamicTexture(UINT width, UINT height, D3DFORMAT format,
                                                     const void* texels, UINT rowBytes)
{
    ComPtr<IDirect3DTexture9> texture = renderTarget(width, height, format, 1, D3DUSAGE_DYNAMIC);
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

} // namespace swk::test
