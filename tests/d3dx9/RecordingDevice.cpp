#include "RecordingDevice.h"

#include <swk/ShaderBlob.h>

#include <cstring>

namespace swk::test
{

class RecordingShader final : public Refcounted<IDirect3DVertexShader9>
{
public:
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9**) override { return D3DERR_INVALIDCALL; }
    HRESULT STDMETHODCALLTYPE GetFunction(void*, UINT*) override { return D3DERR_INVALIDCALL; }
};

class RecordingPixelShader final : public Refcounted<IDirect3DPixelShader9>
{
public:
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9**) override { return D3DERR_INVALIDCALL; }
    HRESULT STDMETHODCALLTYPE GetFunction(void*, UINT*) override { return D3DERR_INVALIDCALL; }
};

namespace
{

template <class T> void Hold(T*& slot, T* object)
{
    if (object)
        object->AddRef();
    if (slot)
        slot->Release();
    slot = object;
}

template <class T> HRESULT Hand(T* object, T** out)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = object;
    if (object)
        object->AddRef();
    return D3D_OK;
}

std::vector<DWORD> CopyBlob(const DWORD* f)
{
    swk::ShaderBlobHeader h;
    std::memcpy(&h, f, sizeof h);
    const size_t words = sizeof h / 4 + h.inputCount * 3 + h.spirvWords;
    return std::vector<DWORD>(f, f + words);
}

HRESULT CopyConstants(std::vector<float>& into, UINT reg, const float* c, UINT n)
{
    if (!c || (reg + n) * 4 > into.size())
        return D3DERR_INVALIDCALL;
    std::memcpy(into.data() + reg * 4, c, n * 16);
    return D3D_OK;
}

HRESULT ReadConstants(const std::vector<float>& from, UINT reg, float* c, UINT n)
{
    if (!c || (reg + n) * 4 > from.size())
        return D3DERR_INVALIDCALL;
    std::memcpy(c, from.data() + reg * 4, n * 16);
    return D3D_OK;
}

} // namespace

RecordingDevice::~RecordingDevice()
{
    Hold<IDirect3DVertexShader9>(vertexShader, nullptr);
    Hold<IDirect3DPixelShader9>(pixelShader, nullptr);
    for (auto& [stage, texture] : textures)
        Hold<IDirect3DBaseTexture9>(texture, nullptr);
}

HRESULT RecordingDevice::CreateVertexShader(const DWORD* f, IDirect3DVertexShader9** pp)
{
    blobs.push_back(CopyBlob(f));
    *pp = new RecordingShader;
    return D3D_OK;
}
HRESULT RecordingDevice::SetVertexShader(IDirect3DVertexShader9* s)
{
    Hold(vertexShader, s);
    return D3D_OK;
}
HRESULT RecordingDevice::GetVertexShader(IDirect3DVertexShader9** pp)
{
    return Hand(vertexShader, pp);
}
HRESULT RecordingDevice::SetVertexShaderConstantF(UINT r, const float* c, UINT n)
{
    ++constantUploads;
    return CopyConstants(vertexConstants, r, c, n);
}
HRESULT RecordingDevice::GetVertexShaderConstantF(UINT r, float* c, UINT n)
{
    return ReadConstants(vertexConstants, r, c, n);
}
HRESULT RecordingDevice::CreatePixelShader(const DWORD* f, IDirect3DPixelShader9** pp)
{
    blobs.push_back(CopyBlob(f));
    *pp = new RecordingPixelShader;
    return D3D_OK;
}
HRESULT RecordingDevice::SetPixelShader(IDirect3DPixelShader9* s)
{
    Hold(pixelShader, s);
    return D3D_OK;
}
HRESULT RecordingDevice::GetPixelShader(IDirect3DPixelShader9** pp)
{
    return Hand(pixelShader, pp);
}
HRESULT RecordingDevice::SetPixelShaderConstantF(UINT r, const float* c, UINT n)
{
    ++constantUploads;
    return CopyConstants(pixelConstants, r, c, n);
}
HRESULT RecordingDevice::GetPixelShaderConstantF(UINT r, float* c, UINT n)
{
    return ReadConstants(pixelConstants, r, c, n);
}
HRESULT RecordingDevice::GetTexture(DWORD s, IDirect3DBaseTexture9** pp)
{
    return Hand(textures.count(s) ? textures[s] : nullptr, pp);
}
HRESULT RecordingDevice::SetTexture(DWORD s, IDirect3DBaseTexture9* t)
{
    ++textureSets;
    Hold(textures[s], t);
    return D3D_OK;
}
HRESULT RecordingDevice::GetSamplerState(DWORD s, D3DSAMPLERSTATETYPE t, DWORD* v)
{
    auto it = samplerStates.find({s, t});
    *v = it == samplerStates.end() ? 0 : it->second;
    return D3D_OK;
}
HRESULT RecordingDevice::SetSamplerState(DWORD s, D3DSAMPLERSTATETYPE t, DWORD v)
{
    samplerStates[{s, t}] = v;
    return D3D_OK;
}
HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE s, DWORD v)
{
    renderStates[s] = v;
    return D3D_OK;
}
HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE s, DWORD* v)
{
    auto it = renderStates.find(s);
    *v = it == renderStates.end() ? 0 : it->second;
    return D3D_OK;
}

} // namespace swk::test
