// Helpers shared by the effect tests: the effect sources, creating effects on
// the test device, and reading back what a shader blob's SPIR-V declares.
#pragma once

#include "TestDevice.h"

#include <d3dx9.h>
#include <swk/ShaderBlob.h>

#include <map>
#include <string>
#include <vector>

namespace swk::test
{

std::string ReadEffectSource(const char* fileName); // from gpu/effects

// A one-texel texture that only its pool matters for.
inline TestTexture* NewTexture(TestDevice& d, D3DPOOL pool)
{
    return new TestTexture(d, 1, 1, 1, 0, D3DFMT_A8R8G8B8, pool);
}

// Owns the references a test takes and gives them back at the end.
struct CompiledOnDevice
{
    TestDevice* device = new TestDevice;
    ID3DXEffect* effect = nullptr;
    HRESULT hr = E_FAIL;
    std::string messages;
    bool messagesSized = true; // the buffer holds exactly the text and one NUL

    explicit CompiledOnDevice(const std::string& source, const D3DXMACRO* defines = nullptr,
                              ID3DXInclude* include = nullptr, DWORD flags = 0);
    ~CompiledOnDevice();
    CompiledOnDevice(const CompiledOnDevice&) = delete;
    CompiledOnDevice& operator=(const CompiledOnDevice&) = delete;
};

// What a blob's SPIR-V says about one variable.
struct SpirvVariable
{
    uint32_t storage = 0;
    int location = -1;
    int builtIn = -1;
    int binding = -1;
};

struct SpirvFacts
{
    std::vector<std::string> extensions;
    int entryPoints = 0;
    bool hasUserSemantic = false;
    std::map<uint32_t, SpirvVariable> variables;

    std::vector<int> Locations(uint32_t storage) const;
    bool HasBuiltIn(uint32_t storage, int builtIn) const;
    std::vector<int> Bindings(uint32_t storage) const;
};

constexpr uint32_t kSpvInput = 1;
constexpr uint32_t kSpvOutput = 3;
constexpr uint32_t kSpvUniform = 2;
constexpr uint32_t kSpvUniformConstant = 0;
constexpr int kSpvBuiltInPosition = 0;

const swk::ShaderBlobHeader& BlobHeader(const std::vector<DWORD>& blob);
std::vector<swk::ShaderBlobInput> BlobInputs(const std::vector<DWORD>& blob);
std::vector<uint32_t> BlobSpirv(const std::vector<DWORD>& blob);
SpirvFacts ReadSpirv(const std::vector<uint32_t>& words);
// spirv-val's verdict for Vulkan 1.1; empty when valid.
std::string ValidateSpirv(const std::vector<uint32_t>& words);

} // namespace swk::test
