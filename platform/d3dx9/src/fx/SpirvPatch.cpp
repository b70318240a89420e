#include "SpirvPatch.h"

#include <d3d9.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <string_view>

namespace swk::d3dx9::fx
{
namespace
{

// Opcodes, decorations and enumerants used here (SPIR-V 1.3 unified headers).
constexpr uint32_t kOpExtension = 10;
constexpr uint32_t kOpVariable = 59;
constexpr uint32_t kOpDecorate = 71;
constexpr uint32_t kOpDecorateString = 5632;
constexpr uint32_t kOpMemberDecorateString = 5633;
constexpr uint32_t kDecorationBuiltIn = 11;
constexpr uint32_t kDecorationLocation = 30;
constexpr uint32_t kDecorationBinding = 33;
constexpr uint32_t kDecorationDescriptorSet = 34;
constexpr uint32_t kDecorationUserSemantic = 5635;
constexpr uint32_t kDecorationUserTypeGOOGLE = 5636;
constexpr uint32_t kStorageUniformConstant = 0;
constexpr uint32_t kStorageInput = 1;
constexpr uint32_t kStorageUniform = 2;
constexpr uint32_t kStorageOutput = 3;
constexpr uint32_t kBuiltInPosition = 0;
constexpr uint32_t kBuiltInPointSize = 1;
constexpr uint32_t kBuiltInFragCoord = 15;
constexpr size_t kHeaderWords = 5;

std::string_view literalString(const std::vector<uint32_t>& words, size_t first, size_t end)
{
    const char* s = reinterpret_cast<const char*>(words.data() + first);
    const size_t max = (end - first) * 4;
    return std::string_view(s, strnlen(s, max));
}

struct Semantic
{
    std::string name; // upper case, without the index
    uint32_t index = 0;
};

Semantic splitSemantic(std::string_view text)
{
    Semantic s;
    size_t digits = text.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(text[digits - 1])))
        --digits;
    for (char c : text.substr(0, digits))
        s.name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (digits < text.size())
        s.index = static_cast<uint32_t>(std::stoul(std::string(text.substr(digits))));
    return s;
}

bool declUsage(const std::string& name, uint32_t* usage)
{
    static const std::map<std::string, uint32_t> kUsages = {
        {"POSITION", D3DDECLUSAGE_POSITION},
        {"BLENDWEIGHT", D3DDECLUSAGE_BLENDWEIGHT},
        {"BLENDINDICES", D3DDECLUSAGE_BLENDINDICES},
        {"NORMAL", D3DDECLUSAGE_NORMAL},
        {"PSIZE", D3DDECLUSAGE_PSIZE},
        {"TEXCOORD", D3DDECLUSAGE_TEXCOORD},
        {"TANGENT", D3DDECLUSAGE_TANGENT},
        {"BINORMAL", D3DDECLUSAGE_BINORMAL},
        {"TESSFACTOR", D3DDECLUSAGE_TESSFACTOR},
        {"POSITIONT", D3DDECLUSAGE_POSITIONT},
        {"COLOR", D3DDECLUSAGE_COLOR},
        {"FOG", D3DDECLUSAGE_FOG},
        {"DEPTH", D3DDECLUSAGE_DEPTH},
        {"SAMPLE", D3DDECLUSAGE_SAMPLE},
    };
    auto it = kUsages.find(name);
    if (it == kUsages.end())
        return false;
    *usage = it->second;
    return true;
}

// The location every stage uses for a varying, so that they link by semantic.
bool varyingLocation(const Semantic& s, uint32_t* location)
{
    if (s.name == "TEXCOORD" && s.index < 8)
        *location = kTexcoordLocation0 + s.index;
    else if (s.name == "COLOR" && s.index < 2)
        *location = kColorLocation0 + s.index;
    else if (s.name == "FOG" && s.index == 0)
        *location = kFogLocation;
    else
        return false;
    return true;
}

struct Variable
{
    uint32_t storage = 0;
    std::string semantic;
    size_t locationDecoration = 0; // word index of its OpDecorate ... Location
    size_t bindingDecoration = 0;
    size_t setDecoration = 0;
    bool builtIn = false;
};

class Patcher
{
public:
    Patcher(std::vector<uint32_t>& words, ShaderStage stage) : w_(words), stage_(stage) {}

    bool run(PatchResult* result, std::string* error)
    {
        if (w_.size() < kHeaderWords || w_[0] != 0x07230203)
        {
            *error = "not a SPIR-V module";
            return false;
        }
        scan();
        for (auto& [id, v] : vars_)
            if (!place(v, result, error))
                return false;
        std::sort(result->inputs.begin(), result->inputs.end(),
                  [](const ShaderBlobInput& a, const ShaderBlobInput& b)
                  { return a.location < b.location; });
        std::sort(result->samplerRegisters.begin(), result->samplerRegisters.end());
        strip();
        return true;
    }

private:
    void scan()
    {
        std::set<uint32_t> variables;
        for (size_t i = kHeaderWords; i < w_.size();)
        {
            const uint32_t op = w_[i] & 0xffff;
            const size_t count = std::max<uint32_t>(w_[i] >> 16, 1);
            if (op == kOpVariable)
            {
                variables.insert(w_[i + 2]);
                vars_[w_[i + 2]].storage = w_[i + 3];
            }
            else if (op == kOpDecorate)
            {
                Variable& v = vars_[w_[i + 1]];
                if (w_[i + 2] == kDecorationLocation)
                    v.locationDecoration = i;
                else if (w_[i + 2] == kDecorationBuiltIn)
                    v.builtIn = true;
                else if (w_[i + 2] == kDecorationBinding)
                    v.bindingDecoration = i;
                else if (w_[i + 2] == kDecorationDescriptorSet)
                    v.setDecoration = i;
            }
            else if (op == kOpDecorateString && w_[i + 2] == kDecorationUserSemantic)
                vars_[w_[i + 1]].semantic = std::string(literalString(w_, i + 3, i + count));
            i += count;
        }
        // Decorations name types too; only variables matter here.
        for (auto it = vars_.begin(); it != vars_.end();)
            it = variables.count(it->first) ? std::next(it) : vars_.erase(it);
    }

    void setBuiltIn(const Variable& v, uint32_t builtIn)
    {
        w_[v.locationDecoration + 2] = kDecorationBuiltIn;
        w_[v.locationDecoration + 3] = builtIn;
    }

    bool place(Variable& v, PatchResult* result, std::string* error)
    {
        if (v.storage == kStorageUniform)
        {
            // The one block of global parameters sits at the stage's constant binding.
            result->usesGlobals = true;
            if (v.bindingDecoration)
                w_[v.bindingDecoration + 3] = stage_ == ShaderStage::Vertex
                                                  ? kVertexConstantsBinding
                                                  : kPixelConstantsBinding;
            if (v.setDecoration)
                w_[v.setDecoration + 3] = 0;
            return true;
        }
        if (v.storage == kStorageUniformConstant)
        {
            if (v.bindingDecoration)
                result->samplerRegisters.push_back(w_[v.bindingDecoration + 3] -
                                                   kFirstSamplerBinding);
            return true;
        }
        if ((v.storage != kStorageInput && v.storage != kStorageOutput) || v.builtIn ||
            !v.locationDecoration)
            return true;

        const Semantic s = splitSemantic(v.semantic);
        const bool input = v.storage == kStorageInput;
        uint32_t location = 0;
        if (stage_ == ShaderStage::Vertex && input)
        {
            ShaderBlobInput in{w_[v.locationDecoration + 3], 0, s.index};
            if (!declUsage(s.name, &in.usage))
                return fail(error, v, "vertex input");
            result->inputs.push_back(in);
            return true;
        }
        if (stage_ == ShaderStage::Vertex)
        {
            if (s.name == "POSITION" || s.name == "SV_POSITION")
                setBuiltIn(v, kBuiltInPosition);
            else if (s.name == "PSIZE")
                setBuiltIn(v, kBuiltInPointSize);
            else if (varyingLocation(s, &location))
                w_[v.locationDecoration + 3] = location;
            else
                return fail(error, v, "vertex shader output");
            return true;
        }
        if (input)
        {
            // Pixel shaders commonly take the vertex shader's output structure,
            // position included; it reads as the pixel's window position.
            if (s.name == "POSITION")
                setBuiltIn(v, kBuiltInFragCoord);
            else if (varyingLocation(s, &location))
                w_[v.locationDecoration + 3] = location;
            else
                return fail(error, v, "pixel shader input");
            return true;
        }
        if ((s.name == "COLOR" || s.name == "SV_TARGET") && s.index < 4)
            w_[v.locationDecoration + 3] = s.index;
        else
            return fail(error, v, "pixel shader output");
        return true;
    }

    static bool fail(std::string* error, const Variable& v, const char* what)
    {
        *error = "semantic '" + v.semantic + "' is not supported as a " + what;
        return false;
    }

    // The HLSL extensions only carry the semantics we have now used up.
    void strip()
    {
        std::vector<uint32_t> out(w_.begin(), w_.begin() + kHeaderWords);
        out.reserve(w_.size());
        for (size_t i = kHeaderWords; i < w_.size();)
        {
            const uint32_t op = w_[i] & 0xffff;
            const size_t count = std::max<uint32_t>(w_[i] >> 16, 1);
            bool drop = false;
            if (op == kOpExtension)
                drop = literalString(w_, i + 1, i + count).substr(0, 11) == "SPV_GOOGLE_";
            else if (op == kOpDecorateString)
                drop =
                    w_[i + 2] == kDecorationUserSemantic || w_[i + 2] == kDecorationUserTypeGOOGLE;
            else if (op == kOpMemberDecorateString)
                drop =
                    w_[i + 3] == kDecorationUserSemantic || w_[i + 3] == kDecorationUserTypeGOOGLE;
            if (!drop)
                out.insert(out.end(), w_.begin() + static_cast<long>(i),
                           w_.begin() + static_cast<long>(i + count));
            i += count;
        }
        w_.swap(out);
    }

    std::vector<uint32_t>& w_;
    ShaderStage stage_;
    std::map<uint32_t, Variable> vars_;
};

} // namespace

bool patchForDevice(std::vector<uint32_t>& spirv, ShaderStage stage, PatchResult* result,
                    std::string* error)
{
    return Patcher(spirv, stage).run(result, error);
}

std::vector<uint32_t> makeShaderBlob(ShaderStage stage, const std::vector<ShaderBlobInput>& inputs,
                                     const std::vector<uint32_t>& spirv)
{
    ShaderBlobHeader header{
        kShaderBlobMagic,
        static_cast<uint32_t>(stage == ShaderStage::Vertex ? ShaderBlobStage::Vertex
                                                           : ShaderBlobStage::Pixel),
        static_cast<uint32_t>(inputs.size()), static_cast<uint32_t>(spirv.size())};
    std::vector<uint32_t> blob(sizeof header / 4 + inputs.size() * sizeof(ShaderBlobInput) / 4 +
                               spirv.size());
    uint32_t* p = blob.data();
    std::memcpy(p, &header, sizeof header);
    p += sizeof header / 4;
    if (!inputs.empty())
        std::memcpy(p, inputs.data(), inputs.size() * sizeof(ShaderBlobInput));
    p += inputs.size() * sizeof(ShaderBlobInput) / 4;
    std::copy(spirv.begin(), spirv.end(), p);
    return blob;
}

} // namespace swk::d3dx9::fx
