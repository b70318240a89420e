// Vertex and pixel shaders made from the shader blobs of swk/ShaderBlob.h.
#pragma once

#include "Lifetime.h"
#include "VertexLayout.h"

#include <d3d9.h>
#include <swk/ShaderBlob.h>

#include "swk/vk/ShaderModule.h"

#include <memory>
#include <vector>

namespace swk::d3d9
{

struct ParsedBlob
{
    std::vector<DWORD> words; // the whole blob, for GetFunction
    std::vector<ShaderInput> inputs;
    const uint32_t* spirv = nullptr;
    size_t spirvWords = 0;
};

// False when the words do not start a blob of the expected stage.
bool parseShaderBlob(const DWORD* function, ShaderBlobStage stage, ParsedBlob* blob);

template <typename Interface> class Shader : public Interface, public Lifetime
{
public:
    Shader(Device& device, ParsedBlob blob, std::shared_ptr<vk::ShaderModule> module);
    ~Shader() override;

    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override;
    STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
    STDMETHOD_(ULONG, Release)() override { return release(); }
    STDMETHOD(GetDevice)(IDirect3DDevice9** ppDevice) override;
    STDMETHOD(GetFunction)(void* pData, UINT* pSizeOfData) override;

    Lifetime& lifetime() { return *this; }
    const vk::ShaderModule& module() const { return *module_; }
    const std::vector<ShaderInput>& inputs() const { return blob_.inputs; }

private:
    ParsedBlob blob_;
    std::shared_ptr<vk::ShaderModule> module_;
};

class VertexShader : public Shader<IDirect3DVertexShader9>
{
    using Shader::Shader;
};

class PixelShader : public Shader<IDirect3DPixelShader9>
{
    using Shader::Shader;
};

} // namespace swk::d3d9
