// Everything a device stores between calls: the states with their getters,
// the bound objects and the shader constants.
#pragma once

#include "Lifetime.h"
#include "StateDefaults.h"

#include <d3d9.h>

#include <cstdint>
#include <map>

namespace swk::d3d9
{

class Surface;
class Texture;
template <typename Interface, typename Desc, D3DRESOURCETYPE Type> class BufferResource;
using VertexBuffer =
    BufferResource<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC, D3DRTYPE_VERTEXBUFFER>;
using IndexBuffer =
    BufferResource<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC, D3DRTYPE_INDEXBUFFER>;
class VertexShader;
class PixelShader;

constexpr UINT kStreams = 16;
constexpr UINT kVertexConstants = 256;
constexpr UINT kPixelConstants = 224;

struct StreamSource
{
    Bound<VertexBuffer> buffer;
    UINT offset = 0;
    UINT stride = 0;
};

struct DeviceState
{
    DWORD renderStates[kMaxRenderState];
    DWORD textureStageStates[kTextureStages][kMaxTextureStageState];
    DWORD samplerStates[kSamplerSlots][kMaxSamplerState];
    Bound<Texture> textures[kSamplerSlots];
    Bound<Surface> renderTarget;
    Bound<Surface> depthStencil;
    D3DVIEWPORT9 viewport{};
    RECT scissor{};
    D3DMATERIAL9 material{};
    std::map<DWORD, D3DMATRIX> transforms; // identity when absent
    DWORD fvf = 0;
    Bound<VertexShader> vertexShader;
    Bound<PixelShader> pixelShader;
    StreamSource streams[kStreams];
    Bound<IndexBuffer> indices;
    float vertexConstants[kVertexConstants][4];
    float pixelConstants[kPixelConstants][4];
    // Bumped on every change so the renderer copies constants only when needed.
    uint64_t vertexConstantsVersion = 0;
    uint64_t pixelConstantsVersion = 0;

    // Everything back to the values of a new device; zBuffer says whether
    // an automatic depth surface exists (it decides D3DRS_ZENABLE).
    void reset(bool zBuffer);
    // Drops every binding (render target and depth surface included).
    void unbindAll();
};

} // namespace swk::d3d9
