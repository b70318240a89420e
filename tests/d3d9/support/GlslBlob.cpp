#include "GlslBlob.h"

#include "Glsl.h"

#include <cstring>

namespace swk::test
{
namespace
{

std::vector<DWORD> wrap(ShaderBlobStage stage, const std::vector<BlobInput>& inputs,
                        const std::vector<uint32_t>& spirv)
{
    if (spirv.empty())
        return {};
    ShaderBlobHeader header{kShaderBlobMagic, static_cast<uint32_t>(stage),
                            static_cast<uint32_t>(inputs.size()),
                            static_cast<uint32_t>(spirv.size())};
    std::vector<DWORD> blob(sizeof header / 4);
    std::memcpy(blob.data(), &header, sizeof header);
    for (const BlobInput& i : inputs)
    {
        blob.push_back(i.location);
        blob.push_back(static_cast<DWORD>(i.usage));
        blob.push_back(i.usageIndex);
    }
    blob.insert(blob.end(), spirv.begin(), spirv.end());
    return blob;
}

} // namespace

std::vector<DWORD> vertexBlob(const std::string& glsl, const std::vector<BlobInput>& inputs)
{
    return wrap(ShaderBlobStage::Vertex, inputs, compileGlsl(glsl, GlslStage::Vertex));
}

std::vector<DWORD> pixelBlob(const std::string& glsl)
{
    return wrap(ShaderBlobStage::Pixel, {}, compileGlsl(glsl, GlslStage::Fragment));
}

} // namespace swk::test
