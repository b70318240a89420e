// Builds the shader blobs our device accepts from small GLSL sources written
// to the blob conventions: uniform blocks of float4 registers at bindings 0
// (vertex) and 1 (pixel), samplers at binding 2 + s, varyings at the locations
// of their Direct3D semantics.
#pragma once

#include <d3d9.h>
#include <swk/ShaderBlob.h>

#include <string>
#include <vector>

namespace swk::test
{

struct BlobInput
{
    uint32_t location;
    D3DDECLUSAGE usage;
    uint32_t usageIndex;
};

// Empty on a compile error, which is printed.
std::vector<DWORD> shaderBlob(ShaderBlobStage stage, const std::string& glsl,
                              const std::vector<BlobInput>& inputs = {});

} // namespace swk::test
