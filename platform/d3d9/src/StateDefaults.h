// The states Direct3D 9 stores, their defaults, and which types exist.
#pragma once

#include <d3d9.h>

namespace swk::d3d9
{

constexpr DWORD kMaxRenderState = D3DRS_BLENDOPALPHA + 1;
constexpr DWORD kTextureStages = 8;
constexpr DWORD kMaxTextureStageState = D3DTSS_CONSTANT + 1;
constexpr DWORD kPixelSamplers = 16;
constexpr DWORD kSamplerSlots = kPixelSamplers + 5; // + displacement map + 4 vertex samplers
constexpr DWORD kMaxSamplerState = D3DSAMP_DMAPOFFSET + 1;

bool isRenderState(DWORD state);
bool isTextureStageState(DWORD type);
bool isSamplerState(DWORD type);
// Maps a Direct3D sampler index (0-15, D3DDMAPSAMPLER, D3DVERTEXTEXTURESAMPLER0-3)
// to a slot below kSamplerSlots; false when there is no such sampler.
bool samplerSlot(DWORD sampler, DWORD* slot);

void defaultRenderStates(DWORD (&states)[kMaxRenderState], bool zBuffer);
void defaultTextureStageStates(DWORD (&states)[kTextureStages][kMaxTextureStageState]);
void defaultSamplerStates(DWORD (&states)[kSamplerSlots][kMaxSamplerState]);

} // namespace swk::d3d9
