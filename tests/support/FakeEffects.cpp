#include "FakeEffects.h"

#include <swk/Com.h>

#include <cstring>
#include <string>

namespace swk::test
{
namespace
{

std::string Name(D3DXHANDLE h)
{
    return h ? std::string(h) : std::string("NULL");
}

class FakeBuffer final : public ComObject<ID3DXBuffer>
{
public:
    // As some compilers hand it back: no terminating zero, other bytes after it.
    explicit FakeBuffer(const std::string& text)
        : m_size((DWORD)text.size()), m_bytes(text + "\x7f\x7f")
    {
    }
    LPVOID STDMETHODCALLTYPE GetBufferPointer() override { return &m_bytes[0]; }
    DWORD STDMETHODCALLTYPE GetBufferSize() override { return m_size; }

private:
    DWORD m_size;
    std::string m_bytes;
};

class FakeEffect final : public ComObject<ID3DXEffect>
{
public:
    FakeEffect(TestDevice* device, int id)
        : m_device(device), m_prefix("Effect" + std::to_string(id) + ".")
    {
    }

    SWK_TEST_UNSUPPORTED(GetDesc, D3DXEFFECT_DESC*)
    SWK_TEST_UNSUPPORTED(GetParameterDesc, D3DXHANDLE, D3DXPARAMETER_DESC*)
    SWK_TEST_UNSUPPORTED(GetTechniqueDesc, D3DXHANDLE, D3DXTECHNIQUE_DESC*)
    SWK_TEST_UNSUPPORTED(GetPassDesc, D3DXHANDLE, D3DXPASS_DESC*)
    D3DXHANDLE STDMETHODCALLTYPE GetParameter(D3DXHANDLE, UINT) override { return nullptr; }
    D3DXHANDLE STDMETHODCALLTYPE GetParameterByName(D3DXHANDLE, LPCSTR) override { return nullptr; }
    D3DXHANDLE STDMETHODCALLTYPE GetTechnique(UINT) override { return nullptr; }
    D3DXHANDLE STDMETHODCALLTYPE GetTechniqueByName(LPCSTR) override { return nullptr; }
    D3DXHANDLE STDMETHODCALLTYPE GetPass(D3DXHANDLE, UINT) override { return nullptr; }
    D3DXHANDLE STDMETHODCALLTYPE GetPassByName(D3DXHANDLE, LPCSTR) override { return nullptr; }
    // The generator sets only textures and floats.
    SWK_TEST_UNSUPPORTED(SetValue, D3DXHANDLE, LPCVOID, UINT)
    SWK_TEST_UNSUPPORTED(GetValue, D3DXHANDLE, LPVOID, UINT)
    SWK_TEST_UNSUPPORTED(SetBool, D3DXHANDLE, BOOL)
    SWK_TEST_UNSUPPORTED(GetBool, D3DXHANDLE, BOOL*)
    SWK_TEST_UNSUPPORTED(SetInt, D3DXHANDLE, INT)
    SWK_TEST_UNSUPPORTED(GetInt, D3DXHANDLE, INT*)
    HRESULT STDMETHODCALLTYPE SetFloat(D3DXHANDLE h, FLOAT f) override
    {
        char text[64];
        std::snprintf(text, sizeof text, "%.9g", f);
        return Log("SetFloat", Name(h) + "," + text);
    }
    SWK_TEST_UNSUPPORTED(GetFloat, D3DXHANDLE, FLOAT*)
    SWK_TEST_UNSUPPORTED(SetFloatArray, D3DXHANDLE, const FLOAT*, UINT)
    SWK_TEST_UNSUPPORTED(GetFloatArray, D3DXHANDLE, FLOAT*, UINT)
    SWK_TEST_UNSUPPORTED(SetVector, D3DXHANDLE, const D3DXVECTOR4*)
    SWK_TEST_UNSUPPORTED(GetVector, D3DXHANDLE, D3DXVECTOR4*)
    SWK_TEST_UNSUPPORTED(SetMatrix, D3DXHANDLE, const D3DXMATRIX*)
    SWK_TEST_UNSUPPORTED(GetMatrix, D3DXHANDLE, D3DXMATRIX*)
    HRESULT STDMETHODCALLTYPE SetTexture(D3DXHANDLE h, IDirect3DBaseTexture9* t) override
    {
        return Log("SetTexture", Name(h) + "," + (t ? "texture" : "NULL"));
    }
    SWK_TEST_UNSUPPORTED(GetTexture, D3DXHANDLE, IDirect3DBaseTexture9**)
    SWK_TEST_UNSUPPORTED(GetPool, ID3DXEffectPool**)
    HRESULT STDMETHODCALLTYPE SetTechnique(D3DXHANDLE h) override
    {
        return Log("SetTechnique", Name(h));
    }
    D3DXHANDLE STDMETHODCALLTYPE GetCurrentTechnique() override { return nullptr; }
    HRESULT STDMETHODCALLTYPE ValidateTechnique(D3DXHANDLE) override { return D3D_OK; }
    BOOL STDMETHODCALLTYPE IsParameterUsed(D3DXHANDLE, D3DXHANDLE) override { return TRUE; }
    HRESULT STDMETHODCALLTYPE Begin(UINT* pPasses, DWORD Flags) override
    {
        if (pPasses)
            *pPasses = 1;
        return Log("Begin", std::string(pPasses ? "count" : "NULL") + "," + std::to_string(Flags));
    }
    HRESULT STDMETHODCALLTYPE BeginPass(UINT n) override
    {
        return Log("BeginPass", std::to_string(n));
    }
    HRESULT STDMETHODCALLTYPE CommitChanges() override { return Log("CommitChanges", ""); }
    HRESULT STDMETHODCALLTYPE EndPass() override { return Log("EndPass", ""); }
    HRESULT STDMETHODCALLTYPE End() override { return Log("End", ""); }
    SWK_TEST_UNSUPPORTED(GetDevice, IDirect3DDevice9**)
    HRESULT STDMETHODCALLTYPE OnLostDevice() override { return Log("OnLostDevice", ""); }
    HRESULT STDMETHODCALLTYPE OnResetDevice() override { return Log("OnResetDevice", ""); }

private:
    HRESULT Unsupported(const char*) const { return D3DERR_INVALIDCALL; }
    void onFinalRelease() override
    {
        if (m_device)
            m_device->Record(this, m_prefix + "Release", "");
        delete this;
    }

    HRESULT Log(const char* name, const std::string& args)
    {
        if (!m_device)
            return D3D_OK;
        m_device->Record(this, m_prefix + name, args);
        return m_device->Injected(std::string("Effect.") + name);
    }

    TestDevice* m_device;
    std::string m_prefix;
};

} // namespace

FakeEffectSettings& FakeEffects()
{
    static FakeEffectSettings settings;
    return settings;
}

} // namespace swk::test

using namespace swk::test;

// Takes the place of the effect framework's entry point in the test executables
// that link this object (exported, so that it takes the shared library's
// place): the effect records into the test device's log.
extern "C" __attribute__((visibility("default"))) HRESULT WINAPI
D3DXCreateEffectFromResourceA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule, LPCSTR pSrcResource,
                              const D3DXMACRO*, LPD3DXINCLUDE, DWORD Flags, LPD3DXEFFECTPOOL,
                              LPD3DXEFFECT* ppEffect, LPD3DXBUFFER* ppCompilationErrors)
{
    if (ppCompilationErrors)
        *ppCompilationErrors = nullptr;
    if (!pDevice || !ppEffect || !IS_INTRESOURCE(pSrcResource))
        return D3DERR_INVALIDCALL;
    *ppEffect = nullptr;
    const int id = (int)(UINT_PTR)pSrcResource;
    FakeEffects().created.push_back({id, Flags});
    if (!hSrcModule)
        return D3DXERR_INVALIDDATA;
    if (auto* device = dynamic_cast<TestDevice*>(pDevice))
        if (const HRESULT hr = device->Injected("D3DXCreateEffect"); FAILED(hr))
            return hr;
    const auto message = FakeEffects().messages.find(id);
    if (message != FakeEffects().messages.end() && ppCompilationErrors)
        *ppCompilationErrors = new FakeBuffer(message->second);
    const auto failure = FakeEffects().failures.find(id);
    if (failure != FakeEffects().failures.end())
        return failure->second;

    *ppEffect = new FakeEffect(dynamic_cast<TestDevice*>(pDevice), id);
    return D3D_OK;
}
