#include "Direct3D9.h"

#include <algorithm>
#include <cstring>

namespace swk::d3d9
{

UINT maxSurfaceSize(const vk::Context& context)
{
    return std::min<UINT>(context.properties().limits.maxImageDimension2D, 16384);
}

void fillCaps(const vk::Context& context, const Emulation& emulation, D3DCAPS9* caps)
{
    std::memset(caps, 0, sizeof *caps);
    const VkPhysicalDeviceLimits& limits = context.properties().limits;
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->AdapterOrdinal = D3DADAPTER_DEFAULT;
    caps->Caps2 = D3DCAPS2_CANAUTOGENMIPMAP | D3DCAPS2_DYNAMICTEXTURES;
    caps->Caps3 = D3DCAPS3_COPY_TO_VIDMEM | D3DCAPS3_COPY_TO_SYSTEMMEM;
    caps->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    caps->DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_EXECUTEVIDEOMEMORY |
                    D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TLVERTEXVIDEOMEMORY |
                    D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_TEXTUREVIDEOMEMORY |
                    D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP |
                    D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX |
                    D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
    caps->PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                              D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE |
                              D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_SEPARATEALPHABLEND;
    caps->RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE |
                       D3DPRASTERCAPS_MIPMAPLODBIAS | D3DPRASTERCAPS_ZFOG |
                       D3DPRASTERCAPS_SCISSORTEST;
    if (context.features().samplerAnisotropy)
        caps->RasterCaps |= D3DPRASTERCAPS_ANISOTROPY;
    caps->ZCmpCaps = D3DPCMPCAPS_ALL;
    caps->AlphaCmpCaps = D3DPCMPCAPS_ALL;
    caps->SrcBlendCaps = D3DPBLENDCAPS_ALL_D3D9;
    caps->DestBlendCaps = D3DPBLENDCAPS_ALL_D3D9;
    caps->ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                      D3DPSHADECAPS_ALPHAGOURAUDBLEND | D3DPSHADECAPS_FOGGOURAUD;
    caps->TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA |
                        D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_PROJECTED;
    caps->TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                              D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR |
                              D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    if (context.features().samplerAnisotropy)
        caps->TextureFilterCaps |=
            D3DPTFILTERCAPS_MINFANISOTROPIC | D3DPTFILTERCAPS_MAGFANISOTROPIC;
    caps->TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR |
                               D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_BORDER |
                               D3DPTADDRESSCAPS_INDEPENDENTUV;
    caps->MaxTextureWidth = maxSurfaceSize(context);
    caps->MaxTextureHeight = caps->MaxTextureWidth;
    caps->MaxTextureRepeat = 8192;
    caps->MaxTextureAspectRatio = caps->MaxTextureWidth;
    caps->MaxAnisotropy =
        context.features().samplerAnisotropy ? DWORD(limits.maxSamplerAnisotropy) : 1;
    caps->MaxVertexW = 1e10f;
    caps->GuardBandLeft = -32768.0f;
    caps->GuardBandTop = -32768.0f;
    caps->GuardBandRight = 32768.0f;
    caps->GuardBandBottom = 32768.0f;
    caps->StencilCaps = D3DSTENCILCAPS_KEEP | D3DSTENCILCAPS_ZERO | D3DSTENCILCAPS_REPLACE |
                        D3DSTENCILCAPS_INCRSAT | D3DSTENCILCAPS_DECRSAT | D3DSTENCILCAPS_INVERT |
                        D3DSTENCILCAPS_INCR | D3DSTENCILCAPS_DECR | D3DSTENCILCAPS_TWOSIDED;
    caps->FVFCaps = 8 | D3DFVFCAPS_PSIZE;
    caps->TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                          D3DTEXOPCAPS_MODULATE | D3DTEXOPCAPS_MODULATE2X |
                          D3DTEXOPCAPS_MODULATE4X | D3DTEXOPCAPS_ADD | D3DTEXOPCAPS_ADDSIGNED |
                          D3DTEXOPCAPS_SUBTRACT;
    caps->MaxTextureBlendStages = 2;
    caps->MaxSimultaneousTextures = 2;
    caps->VertexProcessingCaps = D3DVTXPCAPS_MATERIALSOURCE7;
    caps->MaxActiveLights = 0;
    caps->MaxPointSize = 1.0f;
    caps->MaxPrimitiveCount = 0xFFFFF;
    caps->MaxVertexIndex = 0xFFFFFF;
    caps->MaxStreams = 1;
    caps->MaxStreamStride = std::min<DWORD>(limits.maxVertexInputBindingStride, 255);
    caps->VertexShaderVersion = emulation.vertexShaderVersion();
    caps->MaxVertexShaderConst = 256;
    caps->PixelShaderVersion = emulation.pixelShaderVersion;
    caps->PixelShader1xMaxValue = emulation.pixelShaderVersion ? 8.0f : 0.0f;
    caps->MasterAdapterOrdinal = 0;
    caps->AdapterOrdinalInGroup = 0;
    caps->NumberOfAdaptersInGroup = 1;
    caps->DeclTypes = D3DDTCAPS_UBYTE4 | D3DDTCAPS_FLOAT16_2 | D3DDTCAPS_FLOAT16_4;
    caps->NumSimultaneousRTs = 1;
    if (D3DSHADER_VERSION_MAJOR(emulation.pixelShaderVersion) >= 2)
    {
        caps->PS20Caps.NumTemps = D3DPS20_MAX_NUMTEMPS;
        caps->PS20Caps.NumInstructionSlots = D3DPS20_MAX_NUMINSTRUCTIONSLOTS;
        caps->VS20Caps.NumTemps = D3DVS20_MAX_NUMTEMPS;
    }
    if (D3DSHADER_VERSION_MAJOR(emulation.pixelShaderVersion) >= 3)
    {
        caps->MaxVertexShader30InstructionSlots = 32768;
        caps->MaxPixelShader30InstructionSlots = 32768;
        caps->MaxVShaderInstructionsExecuted = 0xFFFFFFFF;
        caps->MaxPShaderInstructionsExecuted = 0xFFFFFFFF;
    }
}

} // namespace swk::d3d9
