#include "States.h"

#include "Lexer.h"

#include <d3d9.h>

namespace swk::d3dx9::fx
{
namespace
{

struct NamedState
{
    std::string_view name;
    StateInfo info;
};

using K = StateValueKind;

constexpr NamedState kSamplerStates[] = {
    {"AddressU", {D3DSAMP_ADDRESSU, K::Address}},
    {"AddressV", {D3DSAMP_ADDRESSV, K::Address}},
    {"AddressW", {D3DSAMP_ADDRESSW, K::Address}},
    {"BorderColor", {D3DSAMP_BORDERCOLOR, K::Dword}},
    {"MagFilter", {D3DSAMP_MAGFILTER, K::Filter}},
    {"MinFilter", {D3DSAMP_MINFILTER, K::Filter}},
    {"MipFilter", {D3DSAMP_MIPFILTER, K::Filter}},
    {"MipMapLodBias", {D3DSAMP_MIPMAPLODBIAS, K::Float}},
    {"MaxMipLevel", {D3DSAMP_MAXMIPLEVEL, K::Dword}},
    {"MaxAnisotropy", {D3DSAMP_MAXANISOTROPY, K::Dword}},
    {"SRGBTexture", {D3DSAMP_SRGBTEXTURE, K::Bool}},
    {"ElementIndex", {D3DSAMP_ELEMENTINDEX, K::Dword}},
    {"DMapOffset", {D3DSAMP_DMAPOFFSET, K::Dword}},
};

constexpr NamedState kRenderStates[] = {
    {"ZEnable", {D3DRS_ZENABLE, K::ZBuffer}},
    {"FillMode", {D3DRS_FILLMODE, K::Fill}},
    {"ShadeMode", {D3DRS_SHADEMODE, K::Shade}},
    {"ZWriteEnable", {D3DRS_ZWRITEENABLE, K::Bool}},
    {"AlphaTestEnable", {D3DRS_ALPHATESTENABLE, K::Bool}},
    {"LastPixel", {D3DRS_LASTPIXEL, K::Bool}},
    {"SrcBlend", {D3DRS_SRCBLEND, K::Blend}},
    {"DestBlend", {D3DRS_DESTBLEND, K::Blend}},
    {"CullMode", {D3DRS_CULLMODE, K::Cull}},
    {"ZFunc", {D3DRS_ZFUNC, K::Compare}},
    {"AlphaRef", {D3DRS_ALPHAREF, K::Dword}},
    {"AlphaFunc", {D3DRS_ALPHAFUNC, K::Compare}},
    {"DitherEnable", {D3DRS_DITHERENABLE, K::Bool}},
    {"AlphaBlendEnable", {D3DRS_ALPHABLENDENABLE, K::Bool}},
    {"FogEnable", {D3DRS_FOGENABLE, K::Bool}},
    {"SpecularEnable", {D3DRS_SPECULARENABLE, K::Bool}},
    {"FogColor", {D3DRS_FOGCOLOR, K::Dword}},
    {"FogTableMode", {D3DRS_FOGTABLEMODE, K::FogMode}},
    {"FogStart", {D3DRS_FOGSTART, K::Float}},
    {"FogEnd", {D3DRS_FOGEND, K::Float}},
    {"FogDensity", {D3DRS_FOGDENSITY, K::Float}},
    {"RangeFogEnable", {D3DRS_RANGEFOGENABLE, K::Bool}},
    {"StencilEnable", {D3DRS_STENCILENABLE, K::Bool}},
    {"StencilFail", {D3DRS_STENCILFAIL, K::StencilOp}},
    {"StencilZFail", {D3DRS_STENCILZFAIL, K::StencilOp}},
    {"StencilPass", {D3DRS_STENCILPASS, K::StencilOp}},
    {"StencilFunc", {D3DRS_STENCILFUNC, K::Compare}},
    {"StencilRef", {D3DRS_STENCILREF, K::Dword}},
    {"StencilMask", {D3DRS_STENCILMASK, K::Dword}},
    {"StencilWriteMask", {D3DRS_STENCILWRITEMASK, K::Dword}},
    {"TextureFactor", {D3DRS_TEXTUREFACTOR, K::Dword}},
    {"Clipping", {D3DRS_CLIPPING, K::Bool}},
    {"Lighting", {D3DRS_LIGHTING, K::Bool}},
    {"Ambient", {D3DRS_AMBIENT, K::Dword}},
    {"FogVertexMode", {D3DRS_FOGVERTEXMODE, K::FogMode}},
    {"ColorVertex", {D3DRS_COLORVERTEX, K::Bool}},
    {"NormalizeNormals", {D3DRS_NORMALIZENORMALS, K::Bool}},
    {"DiffuseMaterialSource", {D3DRS_DIFFUSEMATERIALSOURCE, K::MaterialSource}},
    {"SpecularMaterialSource", {D3DRS_SPECULARMATERIALSOURCE, K::MaterialSource}},
    {"AmbientMaterialSource", {D3DRS_AMBIENTMATERIALSOURCE, K::MaterialSource}},
    {"EmissiveMaterialSource", {D3DRS_EMISSIVEMATERIALSOURCE, K::MaterialSource}},
    {"PointSize", {D3DRS_POINTSIZE, K::Float}},
    {"PointSpriteEnable", {D3DRS_POINTSPRITEENABLE, K::Bool}},
    {"MultiSampleAntialias", {D3DRS_MULTISAMPLEANTIALIAS, K::Bool}},
    {"ColorWriteEnable", {D3DRS_COLORWRITEENABLE, K::Dword}},
    {"BlendOp", {D3DRS_BLENDOP, K::BlendOp}},
    {"ScissorTestEnable", {D3DRS_SCISSORTESTENABLE, K::Bool}},
    {"SlopeScaleDepthBias", {D3DRS_SLOPESCALEDEPTHBIAS, K::Float}},
    {"TwoSidedStencilMode", {D3DRS_TWOSIDEDSTENCILMODE, K::Bool}},
    {"CCW_StencilFail", {D3DRS_CCW_STENCILFAIL, K::StencilOp}},
    {"CCW_StencilZFail", {D3DRS_CCW_STENCILZFAIL, K::StencilOp}},
    {"CCW_StencilPass", {D3DRS_CCW_STENCILPASS, K::StencilOp}},
    {"CCW_StencilFunc", {D3DRS_CCW_STENCILFUNC, K::Compare}},
    {"BlendFactor", {D3DRS_BLENDFACTOR, K::Dword}},
    {"SRGBWriteEnable", {D3DRS_SRGBWRITEENABLE, K::Bool}},
    {"DepthBias", {D3DRS_DEPTHBIAS, K::Float}},
    {"SeparateAlphaBlendEnable", {D3DRS_SEPARATEALPHABLENDENABLE, K::Bool}},
    {"SrcBlendAlpha", {D3DRS_SRCBLENDALPHA, K::Blend}},
    {"DestBlendAlpha", {D3DRS_DESTBLENDALPHA, K::Blend}},
    {"BlendOpAlpha", {D3DRS_BLENDOPALPHA, K::BlendOp}},
};

struct NamedValue
{
    std::string_view name;
    DWORD value;
};

struct ValueTable
{
    StateValueKind kind;
    std::string_view prefix; // of the full enumerator names
    const NamedValue* values;
    size_t count;
};

constexpr NamedValue kAddress[] = {
    {"WRAP", 1}, {"MIRROR", 2}, {"CLAMP", 3}, {"BORDER", 4}, {"MIRRORONCE", 5}};
constexpr NamedValue kFilter[] = {{"NONE", 0},           {"POINT", 1},         {"LINEAR", 2},
                                  {"ANISOTROPIC", 3},    {"PYRAMIDALQUAD", 6}, {"GAUSSIANQUAD", 7},
                                  {"CONVOLUTIONMONO", 8}};
constexpr NamedValue kCull[] = {{"NONE", 1}, {"CW", 2}, {"CCW", 3}};
constexpr NamedValue kCompare[] = {{"NEVER", 1},        {"LESS", 2},    {"EQUAL", 3},
                                   {"LESSEQUAL", 4},    {"GREATER", 5}, {"NOTEQUAL", 6},
                                   {"GREATEREQUAL", 7}, {"ALWAYS", 8}};
constexpr NamedValue kBlend[] = {{"ZERO", 1},
                                 {"ONE", 2},
                                 {"SRCCOLOR", 3},
                                 {"INVSRCCOLOR", 4},
                                 {"SRCALPHA", 5},
                                 {"INVSRCALPHA", 6},
                                 {"DESTALPHA", 7},
                                 {"INVDESTALPHA", 8},
                                 {"DESTCOLOR", 9},
                                 {"INVDESTCOLOR", 10},
                                 {"SRCALPHASAT", 11},
                                 {"BOTHSRCALPHA", 12},
                                 {"BOTHINVSRCALPHA", 13},
                                 {"BLENDFACTOR", 14},
                                 {"INVBLENDFACTOR", 15}};
constexpr NamedValue kBlendOp[] = {
    {"ADD", 1}, {"SUBTRACT", 2}, {"REVSUBTRACT", 3}, {"MIN", 4}, {"MAX", 5}};
constexpr NamedValue kFill[] = {{"POINT", 1}, {"WIREFRAME", 2}, {"SOLID", 3}};
constexpr NamedValue kShade[] = {{"FLAT", 1}, {"GOURAUD", 2}, {"PHONG", 3}};
constexpr NamedValue kStencilOp[] = {{"KEEP", 1},    {"ZERO", 2},   {"REPLACE", 3}, {"INCRSAT", 4},
                                     {"DECRSAT", 5}, {"INVERT", 6}, {"INCR", 7},    {"DECR", 8}};
constexpr NamedValue kFogMode[] = {{"NONE", 0}, {"EXP", 1}, {"EXP2", 2}, {"LINEAR", 3}};
constexpr NamedValue kMaterialSource[] = {{"MATERIAL", 0}, {"COLOR1", 1}, {"COLOR2", 2}};
constexpr NamedValue kZBuffer[] = {{"FALSE", 0}, {"TRUE", 1}, {"USEW", 2}};
constexpr NamedValue kBool[] = {{"FALSE", 0}, {"TRUE", 1}};

template <size_t N>
constexpr ValueTable table(K kind, std::string_view prefix, const NamedValue (&v)[N])
{
    return ValueTable{kind, prefix, v, N};
}

constexpr ValueTable kTables[] = {
    table(K::Address, "D3DTADDRESS_", kAddress),
    table(K::Filter, "D3DTEXF_", kFilter),
    table(K::Cull, "D3DCULL_", kCull),
    table(K::Compare, "D3DCMP_", kCompare),
    table(K::Blend, "D3DBLEND_", kBlend),
    table(K::BlendOp, "D3DBLENDOP_", kBlendOp),
    table(K::Fill, "D3DFILL_", kFill),
    table(K::Shade, "D3DSHADE_", kShade),
    table(K::StencilOp, "D3DSTENCILOP_", kStencilOp),
    table(K::FogMode, "D3DFOG_", kFogMode),
    table(K::MaterialSource, "D3DMCS_", kMaterialSource),
    table(K::ZBuffer, "D3DZB_", kZBuffer),
    table(K::Bool, "", kBool),
};

template <size_t N> bool find(const NamedState (&table)[N], std::string_view name, StateInfo* info)
{
    for (const NamedState& s : table)
        if (equalsNoCase(s.name, name))
        {
            *info = s.info;
            return true;
        }
    return false;
}

} // namespace

bool findSamplerState(std::string_view name, StateInfo* info)
{
    return find(kSamplerStates, name, info);
}

bool findRenderState(std::string_view name, StateInfo* info)
{
    return find(kRenderStates, name, info);
}

bool findStateValue(StateValueKind kind, std::string_view name, DWORD* value)
{
    for (const ValueTable& t : kTables)
    {
        if (t.kind != kind)
            continue;
        std::string_view shortName = name;
        if (!t.prefix.empty() && name.size() > t.prefix.size() &&
            equalsNoCase(name.substr(0, t.prefix.size()), t.prefix))
            shortName = name.substr(t.prefix.size());
        for (size_t i = 0; i < t.count; ++i)
            if (equalsNoCase(t.values[i].name, shortName))
            {
                *value = t.values[i].value;
                return true;
            }
    }
    // Numeric states also take TRUE and FALSE.
    if (kind != K::Bool && kind != K::ZBuffer && kind != K::Dword && kind != K::Float)
        return false;
    if (equalsNoCase(name, "TRUE") || equalsNoCase(name, "FALSE"))
    {
        *value = equalsNoCase(name, "TRUE") ? 1 : 0;
        return true;
    }
    return false;
}

} // namespace swk::d3dx9::fx
