#include "PipelineMapping.h"

#include <algorithm>
#include <cstring>

namespace swk::d3d9
{
namespace
{

VkCompareOp compare(DWORD func)
{
    return func >= D3DCMP_NEVER && func <= D3DCMP_ALWAYS ? static_cast<VkCompareOp>(func - 1)
                                                         : VK_COMPARE_OP_ALWAYS;
}

VkStencilOp stencilOp(DWORD op)
{
    return op >= D3DSTENCILOP_KEEP && op <= D3DSTENCILOP_DECR ? static_cast<VkStencilOp>(op - 1)
                                                              : VK_STENCIL_OP_KEEP;
}

VkBlendFactor blendFactor(DWORD blend)
{
    switch (blend)
    {
    case D3DBLEND_ZERO:
        return VK_BLEND_FACTOR_ZERO;
    case D3DBLEND_SRCCOLOR:
        return VK_BLEND_FACTOR_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return VK_BLEND_FACTOR_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
    case D3DBLEND_BOTHSRCALPHA:
        return VK_BLEND_FACTOR_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
    case D3DBLEND_BOTHINVSRCALPHA:
        return VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return VK_BLEND_FACTOR_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return VK_BLEND_FACTOR_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return VK_BLEND_FACTOR_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return VK_BLEND_FACTOR_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return VK_BLEND_FACTOR_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR:
        return VK_BLEND_FACTOR_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR:
        return VK_BLEND_FACTOR_ONE_MINUS_CONSTANT_COLOR;
    default:
        return VK_BLEND_FACTOR_ONE;
    }
}

// BOTHSRCALPHA and BOTHINVSRCALPHA set the destination factor too.
void blendPair(DWORD src, DWORD dst, uint32_t* srcFactor, uint32_t* dstFactor)
{
    *srcFactor = blendFactor(src);
    if (src == D3DBLEND_BOTHSRCALPHA)
        *dstFactor = VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
    else if (src == D3DBLEND_BOTHINVSRCALPHA)
        *dstFactor = VK_BLEND_FACTOR_SRC_ALPHA;
    else
        *dstFactor = blendFactor(dst);
}

VkBlendOp blendOp(DWORD op)
{
    switch (op)
    {
    case D3DBLENDOP_SUBTRACT:
        return VK_BLEND_OP_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
        return VK_BLEND_OP_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
        return VK_BLEND_OP_MIN;
    case D3DBLENDOP_MAX:
        return VK_BLEND_OP_MAX;
    default:
        return VK_BLEND_OP_ADD;
    }
}

VkSamplerAddressMode address(DWORD mode)
{
    switch (mode)
    {
    case D3DTADDRESS_MIRROR:
    case D3DTADDRESS_MIRRORONCE:
        return VK_SAMPLER_ADDRESS_MODE_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_BORDER;
    default:
        return VK_SAMPLER_ADDRESS_MODE_REPEAT;
    }
}

VkBorderColor border(D3DCOLOR color)
{
    // Without custom border colours, the nearest of Vulkan's fixed ones.
    const bool opaque = (color >> 24) >= 0x80;
    const bool white = (color & 0xffffff) == 0xffffff;
    if (!opaque)
        return VK_BORDER_COLOR_FLOAT_TRANSPARENT_BLACK;
    return white ? VK_BORDER_COLOR_FLOAT_OPAQUE_WHITE : VK_BORDER_COLOR_FLOAT_OPAQUE_BLACK;
}

VkFilter filter(DWORD f)
{
    return f >= D3DTEXF_LINEAR ? VK_FILTER_LINEAR : VK_FILTER_NEAREST;
}

float asFloat(DWORD bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

} // namespace

void mapRenderStates(const DWORD (&rs)[kMaxRenderState], const FormatInfo& target,
                     bool depthAttached, bool stencilAttached, vk::DrawCall* call)
{
    vk::PipelineState& p = call->state;
    switch (rs[D3DRS_CULLMODE])
    {
    case D3DCULL_CW:
        p.cullMode = VK_CULL_MODE_FRONT_BIT;
        break;
    case D3DCULL_CCW:
        p.cullMode = VK_CULL_MODE_BACK_BIT;
        break;
    default:
        p.cullMode = VK_CULL_MODE_NONE;
        break;
    }
    // With the flipped viewport, triangles that are clockwise on screen are front faces.
    p.frontFace = VK_FRONT_FACE_CLOCKWISE;
    p.polygonMode = rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? VK_POLYGON_MODE_POINT
                    : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? VK_POLYGON_MODE_LINE
                                                              : VK_POLYGON_MODE_FILL;

    p.depthTest = depthAttached && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
    p.depthWrite = p.depthTest && rs[D3DRS_ZWRITEENABLE] != 0;
    p.depthCompare = compare(rs[D3DRS_ZFUNC]);

    p.stencilTest = stencilAttached && rs[D3DRS_STENCILENABLE] != 0;
    if (p.stencilTest)
    {
        p.front = {
            uint32_t(stencilOp(rs[D3DRS_STENCILFAIL])), uint32_t(stencilOp(rs[D3DRS_STENCILPASS])),
            uint32_t(stencilOp(rs[D3DRS_STENCILZFAIL])), uint32_t(compare(rs[D3DRS_STENCILFUNC]))};
        p.back = rs[D3DRS_TWOSIDEDSTENCILMODE]
                     ? vk::StencilFace{uint32_t(stencilOp(rs[D3DRS_CCW_STENCILFAIL])),
                                       uint32_t(stencilOp(rs[D3DRS_CCW_STENCILPASS])),
                                       uint32_t(stencilOp(rs[D3DRS_CCW_STENCILZFAIL])),
                                       uint32_t(compare(rs[D3DRS_CCW_STENCILFUNC]))}
                     : p.front;
    }
    call->stencilReference = rs[D3DRS_STENCILREF];
    call->stencilCompareMask = rs[D3DRS_STENCILMASK];
    call->stencilWriteMask = rs[D3DRS_STENCILWRITEMASK];

    p.blendEnable = rs[D3DRS_ALPHABLENDENABLE] != 0;
    if (p.blendEnable)
    {
        blendPair(rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND], &p.srcColor, &p.dstColor);
        p.colorOp = blendOp(rs[D3DRS_BLENDOP]);
        if (rs[D3DRS_SEPARATEALPHABLENDENABLE])
        {
            blendPair(rs[D3DRS_SRCBLENDALPHA], rs[D3DRS_DESTBLENDALPHA], &p.srcAlpha, &p.dstAlpha);
            p.alphaOp = blendOp(rs[D3DRS_BLENDOPALPHA]);
        }
        else
        {
            p.srcAlpha = p.srcColor;
            p.dstAlpha = p.dstColor;
            p.alphaOp = p.colorOp;
        }
    }
    const D3DCOLOR factor = rs[D3DRS_BLENDFACTOR];
    call->blendConstants[0] = ((factor >> 16) & 0xff) / 255.0f;
    call->blendConstants[1] = ((factor >> 8) & 0xff) / 255.0f;
    call->blendConstants[2] = (factor & 0xff) / 255.0f;
    call->blendConstants[3] = ((factor >> 24) & 0xff) / 255.0f;

    p.writeMask = rs[D3DRS_COLORWRITEENABLE] & 0xf;
    // The X of an X8R8G8B8 target keeps reading as opaque.
    if (target.noAlpha)
        p.writeMask &= ~uint32_t(VK_COLOR_COMPONENT_A_BIT);
}

vk::SamplerKey mapSampler(const DWORD (&ss)[kMaxSamplerState])
{
    vk::SamplerKey key;
    key.magFilter = filter(ss[D3DSAMP_MAGFILTER]);
    key.minFilter = filter(ss[D3DSAMP_MINFILTER]);
    key.addressU = address(ss[D3DSAMP_ADDRESSU]);
    key.addressV = address(ss[D3DSAMP_ADDRESSV]);
    key.addressW = address(ss[D3DSAMP_ADDRESSW]);
    key.borderColor = border(ss[D3DSAMP_BORDERCOLOR]);
    const bool anisotropic = ss[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC ||
                             ss[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
    key.maxAnisotropy = anisotropic ? std::max<DWORD>(1, ss[D3DSAMP_MAXANISOTROPY]) : 1;
    key.mipLodBias = asFloat(ss[D3DSAMP_MIPMAPLODBIAS]);
    key.minLod = static_cast<float>(ss[D3DSAMP_MAXMIPLEVEL]);
    switch (ss[D3DSAMP_MIPFILTER])
    {
    case D3DTEXF_NONE:
        // Only the top level, while keeping Vulkan's choice between the
        // magnification and minification filters.
        key.mipmapMode = VK_SAMPLER_MIPMAP_MODE_NEAREST;
        key.maxLod = key.minLod + 0.25f;
        break;
    case D3DTEXF_POINT:
        key.mipmapMode = VK_SAMPLER_MIPMAP_MODE_NEAREST;
        key.maxLod = VK_LOD_CLAMP_NONE;
        break;
    default:
        key.mipmapMode = VK_SAMPLER_MIPMAP_MODE_LINEAR;
        key.maxLod = VK_LOD_CLAMP_NONE;
        break;
    }
    return key;
}

VkViewport mapViewport(const D3DVIEWPORT9& v)
{
    const float width = static_cast<float>(v.Width);
    const float height = static_cast<float>(v.Height);
    return {static_cast<float>(v.X) + 0.5f,
            static_cast<float>(v.Y) + height + 0.5f,
            width,
            -height,
            v.MinZ,
            v.MaxZ};
}

VkRect2D mapScissor(const D3DVIEWPORT9& v, const RECT& scissor, bool scissorTest)
{
    LONG left = LONG(v.X), top = LONG(v.Y);
    LONG right = LONG(v.X + v.Width), bottom = LONG(v.Y + v.Height);
    if (scissorTest)
    {
        left = std::max(left, scissor.left);
        top = std::max(top, scissor.top);
        right = std::min(right, scissor.right);
        bottom = std::min(bottom, scissor.bottom);
    }
    if (right <= left || bottom <= top)
        return {{0, 0}, {0, 0}};
    return {{left, top}, {uint32_t(right - left), uint32_t(bottom - top)}};
}

bool mapPrimitive(D3DPRIMITIVETYPE type, UINT primitives, VkPrimitiveTopology* topology,
                  UINT* vertices)
{
    switch (type)
    {
    case D3DPT_POINTLIST:
        *topology = VK_PRIMITIVE_TOPOLOGY_POINT_LIST;
        *vertices = primitives;
        return true;
    case D3DPT_LINELIST:
        *topology = VK_PRIMITIVE_TOPOLOGY_LINE_LIST;
        *vertices = primitives * 2;
        return true;
    case D3DPT_LINESTRIP:
        *topology = VK_PRIMITIVE_TOPOLOGY_LINE_STRIP;
        *vertices = primitives + 1;
        return true;
    case D3DPT_TRIANGLELIST:
        *topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
        *vertices = primitives * 3;
        return true;
    case D3DPT_TRIANGLESTRIP:
        *topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP;
        *vertices = primitives + 2;
        return true;
    case D3DPT_TRIANGLEFAN:
        *topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_FAN;
        *vertices = primitives + 2;
        return true;
    default:
        return false;
    }
}

} // namespace swk::d3d9
