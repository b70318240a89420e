#include "FixedFunction.h"

#include <cstring>

namespace swk::d3d9
{
namespace
{

#include "FixedFunction.frag.h"
#include "FixedFunction.vert.h"

void color(DWORD argb, float* out)
{
    out[0] = ((argb >> 16) & 0xff) / 255.0f;
    out[1] = ((argb >> 8) & 0xff) / 255.0f;
    out[2] = (argb & 0xff) / 255.0f;
    out[3] = ((argb >> 24) & 0xff) / 255.0f;
}

void color(const D3DCOLORVALUE& c, float* out)
{
    out[0] = c.r;
    out[1] = c.g;
    out[2] = c.b;
    out[3] = c.a;
}

float asFloat(DWORD bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

D3DMATRIX transform(const DeviceState& state, DWORD type)
{
    auto found = state.transforms.find(type);
    if (found != state.transforms.end())
        return found->second;
    D3DMATRIX identity{};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    return identity;
}

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b)
{
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
        {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

template <typename Block>
vk::UniformBlock publish(const Block& fresh, Block& stored, uint64_t& version, uint64_t& versions)
{
    if (version == 0 || std::memcmp(&fresh, &stored, sizeof(Block)) != 0)
    {
        stored = fresh;
        version = ++versions;
    }
    return {&stored, sizeof(Block), version};
}

} // namespace

FixedFunction::FixedFunction(vk::Renderer& renderer) : renderer_(renderer)
{
    vertex_ =
        renderer.createShader(kFixedFunctionVertex, sizeof kFixedFunctionVertex / sizeof(uint32_t),
                              "fixed-function vertex shader");
    pixel_ =
        renderer.createShader(kFixedFunctionPixel, sizeof kFixedFunctionPixel / sizeof(uint32_t),
                              "fixed-function pixel shader");
    inputs_ = {{0, D3DDECLUSAGE_POSITION, 0},
               {1, D3DDECLUSAGE_COLOR, 0},
               {2, D3DDECLUSAGE_COLOR, 1},
               {3, D3DDECLUSAGE_TEXCOORD, 0},
               {4, D3DDECLUSAGE_TEXCOORD, 1}};
}

FixedFunction::~FixedFunction()
{
    renderer_.release(std::move(vertex_));
    renderer_.release(std::move(pixel_));
}

void FixedFunction::specialize(const DeviceState& state, const VertexLayout& layout, bool vertex,
                               bool pixel, vk::PipelineState* pipeline)
{
    uint32_t* c = pipeline->specialization;
    const DWORD* rs = state.renderStates;
    // The constants of a stage a host shader replaces stay zero, so its
    // states do not split pipelines.
    for (int stage = 0; pixel && stage < 2; ++stage)
    {
        const DWORD* s = state.textureStageStates[stage];
        uint32_t* t = c + 7 * stage;
        t[0] = s[D3DTSS_COLOROP];
        t[1] = s[D3DTSS_COLORARG1];
        t[2] = s[D3DTSS_COLORARG2];
        t[3] = (s[D3DTSS_TEXCOORDINDEX] & 0xffff) == 1 ? 1 : 0;
        t[4] = s[D3DTSS_ALPHAOP];
        t[5] = s[D3DTSS_ALPHAARG1];
        t[6] = s[D3DTSS_ALPHAARG2];
    }
    if (pixel)
    {
        c[14] = rs[D3DRS_FOGENABLE] != 0;
        c[15] = rs[D3DRS_FOGTABLEMODE];
        c[16] = rs[D3DRS_ALPHATESTENABLE] ? rs[D3DRS_ALPHAFUNC] : 0;
        c[17] = rs[D3DRS_SPECULARENABLE] != 0;
    }
    if (vertex)
    {
        c[18] = layout.pretransformed;
        c[19] = layout.hasDiffuse;
        c[20] = layout.hasSpecular;
        c[21] = rs[D3DRS_LIGHTING] != 0;
        const bool vertexColors = rs[D3DRS_COLORVERTEX] != 0;
        c[22] = vertexColors ? rs[D3DRS_DIFFUSEMATERIALSOURCE] : 0;
        c[23] = vertexColors ? rs[D3DRS_AMBIENTMATERIALSOURCE] : 0;
        c[24] = vertexColors ? rs[D3DRS_SPECULARMATERIALSOURCE] : 0;
        c[25] = vertexColors ? rs[D3DRS_EMISSIVEMATERIALSOURCE] : 0;
        if (layout.pretransformed)
        {
            const D3DVIEWPORT9& vp = state.viewport;
            const float viewport[6] = {float(vp.X),      float(vp.Y), float(vp.Width),
                                       float(vp.Height), vp.MinZ,     vp.MaxZ};
            std::memcpy(c + 26, viewport, sizeof viewport);
        }
    }
    pipeline->specializationCount = 32;
    pipeline->specializedStages =
        (vertex ? vk::kSpecializeVertex : 0u) | (pixel ? vk::kSpecializeFragment : 0u);
}

vk::UniformBlock FixedFunction::vertexBlock(const DeviceState& state, uint64_t& versions)
{
    FixedVertexBlock b{};
    const D3DMATRIX wvp =
        multiply(multiply(transform(state, D3DTS_WORLD), transform(state, D3DTS_VIEW)),
                 transform(state, D3DTS_PROJECTION));
    std::memcpy(b.worldViewProjection, wvp.m, sizeof b.worldViewProjection);
    color(state.renderStates[D3DRS_AMBIENT], b.ambient);
    color(state.material.Diffuse, b.materialDiffuse);
    color(state.material.Ambient, b.materialAmbient);
    color(state.material.Specular, b.materialSpecular);
    color(state.material.Emissive, b.materialEmissive);
    return publish(b, vertexData_, vertexVersion_, versions);
}

vk::UniformBlock FixedFunction::pixelBlock(const DeviceState& state, uint64_t& versions)
{
    FixedPixelBlock b{};
    const DWORD* rs = state.renderStates;
    color(rs[D3DRS_TEXTUREFACTOR], b.textureFactor);
    color(rs[D3DRS_FOGCOLOR], b.fogColor);
    b.fogParams[0] = asFloat(rs[D3DRS_FOGSTART]);
    b.fogParams[1] = asFloat(rs[D3DRS_FOGEND]);
    b.fogParams[2] = asFloat(rs[D3DRS_FOGDENSITY]);
    b.alphaReference[0] = (rs[D3DRS_ALPHAREF] & 0xff) / 255.0f;
    return publish(b, pixelData_, pixelVersion_, versions);
}

} // namespace swk::d3d9
