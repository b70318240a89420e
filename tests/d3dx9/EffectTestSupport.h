// Helpers shared by the effect tests: the effect sources and creating effects
// on the test device.
#pragma once

#include "TestDevice.h"

#include <d3dx9.h>
#include <swk/ShaderBlob.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace swk::test
{

inline std::string ReadEffectSource(const char* fileName) // from gpu/effects
{
    std::ifstream in(std::string(SWK_EFFECTS_DIR) + "/" + fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A one-texel texture that only its pool matters for.
inline TestTexture* NewTexture(TestDevice& d, D3DPOOL pool)
{
    return new TestTexture(d, 1, 1, 1, 0, D3DFMT_A8R8G8B8, pool);
}

// Owns the references a test takes and gives them back at the end. The
// message buffer's own sizing is checked on every fuzz input.
struct CompiledOnDevice
{
    TestDevice* device = new TestDevice;
    ID3DXEffect* effect = nullptr;
    HRESULT hr = E_FAIL;
    std::string messages;

    explicit CompiledOnDevice(const std::string& source, const D3DXMACRO* defines = nullptr,
                              ID3DXInclude* include = nullptr)
    {
        keep(D3DXCreateEffect(device, source.data(), UINT(source.size()), defines, include, 0,
                              nullptr, &effect, &buffer_));
    }
    // From the module's raw-data resource, as the generator compiles its effects.
    CompiledOnDevice(HMODULE module, int id)
    {
        keep(D3DXCreateEffectFromResourceA(device, module, MAKEINTRESOURCE(id), nullptr, nullptr,
                                           D3DXSHADER_NO_PRESHADER, nullptr, &effect, &buffer_));
    }
    ~CompiledOnDevice()
    {
        if (effect)
            effect->Release();
        device->Release();
    }

private:
    ID3DXBuffer* buffer_ = nullptr;

    void keep(HRESULT result)
    {
        hr = result;
        if (!buffer_)
            return;
        const char* text = static_cast<const char*>(buffer_->GetBufferPointer());
        messages.assign(text, strnlen(text, buffer_->GetBufferSize()));
        buffer_->Release();
    }
};

// Serves the headers it holds by name and counts those open.
struct Headers : ID3DXInclude
{
    std::map<std::string, std::string> text;
    int open = 0;

    STDMETHOD(Open)(D3DXINCLUDE_TYPE, LPCSTR name, LPCVOID, LPCVOID* data, UINT* bytes) override
    {
        auto it = text.find(name);
        if (it == text.end())
            return E_FAIL;
        ++open;
        *data = it->second.data();
        *bytes = static_cast<UINT>(it->second.size());
        return S_OK;
    }
    STDMETHOD(Close)(LPCVOID) override
    {
        --open;
        return S_OK;
    }
};

} // namespace swk::test
