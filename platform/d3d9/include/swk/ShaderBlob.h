// The shader code our Direct3D 9 device accepts from CreateVertexShader and
// CreatePixelShader in place of Direct3D 9 token streams: a small header, the
// vertex inputs by declaration usage, then a SPIR-V module. The effect layer
// produces it from HLSL; the device turns it into Vulkan shader modules.
//
// Resource conventions inside the SPIR-V (descriptor set 0):
//   binding 0   uniform block of the vertex stage's float constant registers,
//               register r at byte offset 16 * r (std140, float4 each);
//   binding 1   the same for the pixel stage;
//   binding 2+s combined image sampler bound to sampler register s (0..15).
// Varyings use fixed locations by semantic: TEXCOORDn -> n, COLORn -> 8 + n,
// FOG -> 10, so that any vertex shader links with any pixel shader. Pixel
// outputs COLORn use location n. The module has exactly one OpEntryPoint.
#pragma once

#include <cstdint>

namespace swk
{

constexpr uint32_t kShaderBlobMagic = 0x314B5753; // "SWK1"

enum class ShaderBlobStage : uint32_t
{
    Vertex = 0,
    Pixel = 1,
};

struct ShaderBlobHeader
{
    uint32_t magic;      // kShaderBlobMagic
    uint32_t stage;      // ShaderBlobStage
    uint32_t inputCount; // ShaderBlobInput entries that follow (vertex stage only)
    uint32_t spirvWords; // SPIR-V words that follow the inputs
};

// A vertex shader input: the SPIR-V input location and the vertex element it
// reads, as a D3DDECLUSAGE and usage index (POSITION0, NORMAL0, TEXCOORD0, ...).
struct ShaderBlobInput
{
    uint32_t location;
    uint32_t usage;
    uint32_t usageIndex;
};

constexpr uint32_t kVertexConstantsBinding = 0;
constexpr uint32_t kPixelConstantsBinding = 1;
constexpr uint32_t kFirstSamplerBinding = 2;
constexpr uint32_t kSamplerRegisters = 16;

constexpr uint32_t kTexcoordLocation0 = 0;
constexpr uint32_t kColorLocation0 = 8;
constexpr uint32_t kFogLocation = 10;

} // namespace swk
