// Helpers shared by the effect tests: the effect sources and creating effects
// on the test device.
#pragma once

#include "TestDevice.h"

#include <d3dx9.h>
#include <swk/ShaderBlob.h>

#include <string>

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

} // namespace swk::test
