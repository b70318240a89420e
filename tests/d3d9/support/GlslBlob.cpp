#include "GlslBlob.h"

#include "Glsl.h"

#include <cstring>

namespace swk::test
{
std::vector<DWORD> shaderBlob(ShaderBlobStage stage, const std::string& glsl,
                              const std::vector<BlobInput>& inputs)
{
    const std::vector<uint32_t> spirv = compileGlsl(
        glsl, stage == ShaderBlobStage::Vertex ? GlslStage::Vertex : GlslStage::Fragment);
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

} // namespace swk::test
