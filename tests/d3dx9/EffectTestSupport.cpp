#include "EffectTestSupport.h"

#include <spirv-tools/libspirv.hpp>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

namespace swk::test
{

std::string ReadEffectSource(const char* fileName)
{
    std::ifstream in(std::string(SWK_EFFECTS_DIR) + "/" + fileName, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

CompiledOnDevice::CompiledOnDevice(const std::string& source, const D3DXMACRO* defines,
                                   ID3DXInclude* include, DWORD flags)
{
    ID3DXBuffer* buffer = nullptr;
    hr = D3DXCreateEffect(device, source.data(), static_cast<UINT>(source.size()), defines, include,
                          flags, nullptr, &effect, &buffer);
    if (buffer)
    {
        const char* text = static_cast<const char*>(buffer->GetBufferPointer());
        const DWORD size = buffer->GetBufferSize();
        messages.assign(text, strnlen(text, size));
        messagesSized = size == messages.size() + 1 && text[messages.size()] == '\0';
        buffer->Release();
    }
}

CompiledOnDevice::~CompiledOnDevice()
{
    if (effect)
        effect->Release();
    device->Release();
}

std::vector<int> SpirvFacts::Locations(uint32_t storage) const
{
    std::vector<int> out;
    for (const auto& [id, v] : variables)
        if (v.storage == storage && v.location >= 0)
            out.push_back(v.location);
    std::sort(out.begin(), out.end());
    return out;
}

bool SpirvFacts::HasBuiltIn(uint32_t storage, int builtIn) const
{
    for (const auto& [id, v] : variables)
        if (v.storage == storage && v.builtIn == builtIn)
            return true;
    return false;
}

std::vector<int> SpirvFacts::Bindings(uint32_t storage) const
{
    std::vector<int> out;
    for (const auto& [id, v] : variables)
        if (v.storage == storage && v.binding >= 0)
            out.push_back(v.binding);
    std::sort(out.begin(), out.end());
    return out;
}

const swk::ShaderBlobHeader& BlobHeader(const std::vector<DWORD>& blob)
{
    return *reinterpret_cast<const swk::ShaderBlobHeader*>(blob.data());
}

std::vector<swk::ShaderBlobInput> BlobInputs(const std::vector<DWORD>& blob)
{
    std::vector<swk::ShaderBlobInput> inputs(BlobHeader(blob).inputCount);
    std::memcpy(inputs.data(), blob.data() + 4, inputs.size() * sizeof(swk::ShaderBlobInput));
    return inputs;
}

std::vector<uint32_t> BlobSpirv(const std::vector<DWORD>& blob)
{
    const size_t first = 4 + BlobHeader(blob).inputCount * 3;
    return std::vector<uint32_t>(blob.begin() + static_cast<long>(first), blob.end());
}

SpirvFacts ReadSpirv(const std::vector<uint32_t>& w)
{
    SpirvFacts facts;
    std::map<uint32_t, SpirvVariable> decorated;
    for (size_t i = 5; i < w.size();)
    {
        const uint32_t op = w[i] & 0xffff;
        const size_t count = w[i] >> 16;
        if (count == 0)
            break;
        if (op == 10) // OpExtension
            facts.extensions.emplace_back(reinterpret_cast<const char*>(&w[i + 1]));
        else if (op == 15) // OpEntryPoint
            ++facts.entryPoints;
        else if (op == 59) // OpVariable
            facts.variables[w[i + 2]].storage = w[i + 3];
        else if (op == 71) // OpDecorate
        {
            SpirvVariable& v = decorated[w[i + 1]];
            if (w[i + 2] == 30)
                v.location = static_cast<int>(w[i + 3]);
            else if (w[i + 2] == 11)
                v.builtIn = static_cast<int>(w[i + 3]);
            else if (w[i + 2] == 33)
                v.binding = static_cast<int>(w[i + 3]);
        }
        else if (op == 5632 && w[i + 2] == 5635) // OpDecorateString UserSemantic
            facts.hasUserSemantic = true;
        i += count;
    }
    for (auto& [id, v] : facts.variables)
        if (auto it = decorated.find(id); it != decorated.end())
        {
            v.location = it->second.location;
            v.builtIn = it->second.builtIn;
            v.binding = it->second.binding;
        }
    return facts;
}

std::string ValidateSpirv(const std::vector<uint32_t>& words)
{
    spvtools::SpirvTools tools(SPV_ENV_VULKAN_1_1);
    std::string messages;
    tools.SetMessageConsumer([&messages](spv_message_level_t, const char*, const spv_position_t&,
                                         const char* m) { messages += std::string(m) + "\n"; });
    if (tools.Validate(words))
        return {};
    return messages.empty() ? "invalid" : messages;
}

} // namespace swk::test
