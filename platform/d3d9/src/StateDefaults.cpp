#include "StateDefaults.h"

#include <cstring>

namespace swk::d3d9
{
namespace
{

DWORD floatBits(float f)
{
    DWORD d;
    std::memcpy(&d, &f, sizeof d);
    return d;
}

struct Default
{
    D3DRENDERSTATETYPE state;
    DWORD value;
};

} // namespace

bool isRenderState(DWORD state)
{
    if (state >= kMaxRenderState)
        return false;
    static const bool* table = []
    {
        static bool t[kMaxRenderState] = {};
        const DWORD known[] = {D3DRS_ZENABLE,
                               D3DRS_FILLMODE,
                               D3DRS_SHADEMODE,
                               D3DRS_ZWRITEENABLE,
                               D3DRS_ALPHATESTENABLE,
                               D3DRS_LASTPIXEL,
                               D3DRS_SRCBLEND,
                               D3DRS_DESTBLEND,
                               D3DRS_CULLMODE,
                               D3DRS_ZFUNC,
                               D3DRS_ALPHAREF,
                               D3DRS_ALPHAFUNC,
                               D3DRS_DITHERENABLE,
                               D3DRS_ALPHABLENDENABLE,
                               D3DRS_FOGENABLE,
                               D3DRS_SPECULARENABLE,
                               D3DRS_FOGCOLOR,
                               D3DRS_FOGTABLEMODE,
                               D3DRS_FOGSTART,
                               D3DRS_FOGEND,
                               D3DRS_FOGDENSITY,
                               D3DRS_RANGEFOGENABLE,
                               D3DRS_STENCILENABLE,
                               D3DRS_STENCILFAIL,
                               D3DRS_STENCILZFAIL,
                               D3DRS_STENCILPASS,
                               D3DRS_STENCILFUNC,
                               D3DRS_STENCILREF,
                               D3DRS_STENCILMASK,
                               D3DRS_STENCILWRITEMASK,
                               D3DRS_TEXTUREFACTOR,
                               D3DRS_WRAP0,
                               D3DRS_WRAP1,
                               D3DRS_WRAP2,
                               D3DRS_WRAP3,
                               D3DRS_WRAP4,
                               D3DRS_WRAP5,
                               D3DRS_WRAP6,
                               D3DRS_WRAP7,
                               D3DRS_CLIPPING,
                               D3DRS_LIGHTING,
                               D3DRS_AMBIENT,
                               D3DRS_FOGVERTEXMODE,
                               D3DRS_COLORVERTEX,
                               D3DRS_LOCALVIEWER,
                               D3DRS_NORMALIZENORMALS,
                               D3DRS_DIFFUSEMATERIALSOURCE,
                               D3DRS_SPECULARMATERIALSOURCE,
                               D3DRS_AMBIENTMATERIALSOURCE,
                               D3DRS_EMISSIVEMATERIALSOURCE,
                               D3DRS_VERTEXBLEND,
                               D3DRS_CLIPPLANEENABLE,
                               D3DRS_POINTSIZE,
                               D3DRS_POINTSIZE_MIN,
                               D3DRS_POINTSPRITEENABLE,
                               D3DRS_POINTSCALEENABLE,
                               D3DRS_POINTSCALE_A,
                               D3DRS_POINTSCALE_B,
                               D3DRS_POINTSCALE_C,
                               D3DRS_MULTISAMPLEANTIALIAS,
                               D3DRS_MULTISAMPLEMASK,
                               D3DRS_PATCHEDGESTYLE,
                               D3DRS_DEBUGMONITORTOKEN,
                               D3DRS_POINTSIZE_MAX,
                               D3DRS_INDEXEDVERTEXBLENDENABLE,
                               D3DRS_COLORWRITEENABLE,
                               D3DRS_TWEENFACTOR,
                               D3DRS_BLENDOP,
                               D3DRS_POSITIONDEGREE,
                               D3DRS_NORMALDEGREE,
                               D3DRS_SCISSORTESTENABLE,
                               D3DRS_SLOPESCALEDEPTHBIAS,
                               D3DRS_ANTIALIASEDLINEENABLE,
                               D3DRS_MINTESSELLATIONLEVEL,
                               D3DRS_MAXTESSELLATIONLEVEL,
                               D3DRS_ADAPTIVETESS_X,
                               D3DRS_ADAPTIVETESS_Y,
                               D3DRS_ADAPTIVETESS_Z,
                               D3DRS_ADAPTIVETESS_W,
                               D3DRS_ENABLEADAPTIVETESSELLATION,
                               D3DRS_TWOSIDEDSTENCILMODE,
                               D3DRS_CCW_STENCILFAIL,
                               D3DRS_CCW_STENCILZFAIL,
                               D3DRS_CCW_STENCILPASS,
                               D3DRS_CCW_STENCILFUNC,
                               D3DRS_COLORWRITEENABLE1,
                               D3DRS_COLORWRITEENABLE2,
                               D3DRS_COLORWRITEENABLE3,
                               D3DRS_BLENDFACTOR,
                               D3DRS_SRGBWRITEENABLE,
                               D3DRS_DEPTHBIAS,
                               D3DRS_WRAP8,
                               D3DRS_WRAP9,
                               D3DRS_WRAP10,
                               D3DRS_WRAP11,
                               D3DRS_WRAP12,
                               D3DRS_WRAP13,
                               D3DRS_WRAP14,
                               D3DRS_WRAP15,
                               D3DRS_SEPARATEALPHABLENDENABLE,
                               D3DRS_SRCBLENDALPHA,
                               D3DRS_DESTBLENDALPHA,
                               D3DRS_BLENDOPALPHA};
        for (DWORD s : known)
            t[s] = true;
        return t;
    }();
    return table[state];
}

bool isTextureStageState(DWORD type)
{
    switch (type)
    {
    case D3DTSS_COLOROP:
    case D3DTSS_COLORARG1:
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAOP:
    case D3DTSS_ALPHAARG1:
    case D3DTSS_ALPHAARG2:
    case D3DTSS_BUMPENVMAT00:
    case D3DTSS_BUMPENVMAT01:
    case D3DTSS_BUMPENVMAT10:
    case D3DTSS_BUMPENVMAT11:
    case D3DTSS_TEXCOORDINDEX:
    case D3DTSS_BUMPENVLSCALE:
    case D3DTSS_BUMPENVLOFFSET:
    case D3DTSS_TEXTURETRANSFORMFLAGS:
    case D3DTSS_COLORARG0:
    case D3DTSS_ALPHAARG0:
    case D3DTSS_RESULTARG:
    case D3DTSS_CONSTANT:
        return true;
    default:
        return false;
    }
}

bool isSamplerState(DWORD type)
{
    return type >= D3DSAMP_ADDRESSU && type <= D3DSAMP_DMAPOFFSET;
}

bool samplerSlot(DWORD sampler, DWORD* slot)
{
    if (sampler < kPixelSamplers)
        *slot = sampler;
    else if (sampler >= D3DDMAPSAMPLER && sampler <= D3DVERTEXTEXTURESAMPLER3)
        *slot = kPixelSamplers + (sampler - D3DDMAPSAMPLER);
    else
        return false;
    return true;
}

void defaultRenderStates(DWORD (&states)[kMaxRenderState], bool zBuffer)
{
    std::memset(states, 0, sizeof states);
    const Default defaults[] = {
        {D3DRS_ZENABLE, zBuffer ? DWORD(D3DZB_TRUE) : DWORD(D3DZB_FALSE)},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_LASTPIXEL, TRUE},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {D3DRS_FOGEND, floatBits(1.0f)},
        {D3DRS_FOGDENSITY, floatBits(1.0f)},
        {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
        {D3DRS_STENCILMASK, 0xffffffff},
        {D3DRS_STENCILWRITEMASK, 0xffffffff},
        {D3DRS_TEXTUREFACTOR, 0xffffffff},
        {D3DRS_CLIPPING, TRUE},
        {D3DRS_LIGHTING, TRUE},
        {D3DRS_COLORVERTEX, TRUE},
        {D3DRS_LOCALVIEWER, TRUE},
        {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
        {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_POINTSIZE, floatBits(1.0f)},
        {D3DRS_POINTSIZE_MIN, floatBits(1.0f)},
        {D3DRS_POINTSCALE_A, floatBits(1.0f)},
        {D3DRS_MULTISAMPLEANTIALIAS, TRUE},
        {D3DRS_MULTISAMPLEMASK, 0xffffffff},
        {D3DRS_POINTSIZE_MAX, floatBits(64.0f)},
        {D3DRS_COLORWRITEENABLE, 0xf},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_POSITIONDEGREE, 3}, // cubic
        {D3DRS_NORMALDEGREE, 1},   // linear
        {D3DRS_MINTESSELLATIONLEVEL, floatBits(1.0f)},
        {D3DRS_MAXTESSELLATIONLEVEL, floatBits(1.0f)},
        {D3DRS_ADAPTIVETESS_Z, floatBits(1.0f)},
        {D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILZFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILPASS, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS},
        {D3DRS_COLORWRITEENABLE1, 0xf},
        {D3DRS_COLORWRITEENABLE2, 0xf},
        {D3DRS_COLORWRITEENABLE3, 0xf},
        {D3DRS_BLENDFACTOR, 0xffffffff},
        {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE},
        {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO},
        {D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD},
    };
    for (const Default& d : defaults)
        states[d.state] = d.value;
}

void defaultTextureStageStates(DWORD (&states)[kTextureStages][kMaxTextureStageState])
{
    std::memset(states, 0, sizeof states);
    for (DWORD stage = 0; stage < kTextureStages; ++stage)
    {
        DWORD* s = states[stage];
        s[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        s[D3DTSS_TEXCOORDINDEX] = stage;
        s[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        s[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
}

void defaultSamplerStates(DWORD (&states)[kSamplerSlots][kMaxSamplerState])
{
    std::memset(states, 0, sizeof states);
    for (DWORD slot = 0; slot < kSamplerSlots; ++slot)
    {
        DWORD* s = states[slot];
        s[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        s[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        s[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        s[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        s[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        s[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        s[D3DSAMP_MAXANISOTROPY] = 1;
        s[D3DSAMP_DMAPOFFSET] = 256;
    }
}

} // namespace swk::d3d9
