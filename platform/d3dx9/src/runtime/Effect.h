// ID3DXEffect over our Direct3D 9 device: parameters by handle or name,
// techniques and passes, and the device state a pass sets.
#pragma once

#include <swk/Com.h>
#include "../fx/EffectCompiler.h"
#include "ParameterTable.h"
#include "StateSnapshot.h"

#include <d3dx9.h>

#include <memory>
#include <vector>

namespace swk::d3dx9
{

class Effect final : public ComObject<ID3DXEffect>
{
public:
    // Creates the shader objects on the device; the effect keeps a reference
    // to the device and to the pool.
    static HRESULT create(IDirect3DDevice9* device, fx::CompiledEffect&& compiled,
                          ID3DXEffectPool* pool, ID3DXEffect** out);

    STDMETHODIMP GetDesc(D3DXEFFECT_DESC* pDesc) override;
    STDMETHODIMP GetParameterDesc(D3DXHANDLE hParameter, D3DXPARAMETER_DESC* pDesc) override;
    STDMETHODIMP GetTechniqueDesc(D3DXHANDLE hTechnique, D3DXTECHNIQUE_DESC* pDesc) override;
    STDMETHODIMP GetPassDesc(D3DXHANDLE hPass, D3DXPASS_DESC* pDesc) override;
    STDMETHODIMP_(D3DXHANDLE) GetParameter(D3DXHANDLE hParameter, UINT Index) override;
    STDMETHODIMP_(D3DXHANDLE) GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName) override;
    STDMETHODIMP_(D3DXHANDLE) GetTechnique(UINT Index) override;
    STDMETHODIMP_(D3DXHANDLE) GetTechniqueByName(LPCSTR pName) override;
    STDMETHODIMP_(D3DXHANDLE) GetPass(D3DXHANDLE hTechnique, UINT Index) override;
    STDMETHODIMP_(D3DXHANDLE) GetPassByName(D3DXHANDLE hTechnique, LPCSTR pName) override;
    STDMETHODIMP SetValue(D3DXHANDLE h, LPCVOID pData, UINT Bytes) override;
    STDMETHODIMP GetValue(D3DXHANDLE h, LPVOID pData, UINT Bytes) override;
    STDMETHODIMP SetBool(D3DXHANDLE h, BOOL b) override;
    STDMETHODIMP GetBool(D3DXHANDLE h, BOOL* pb) override;
    STDMETHODIMP SetInt(D3DXHANDLE h, INT n) override;
    STDMETHODIMP GetInt(D3DXHANDLE h, INT* pn) override;
    STDMETHODIMP SetFloat(D3DXHANDLE h, FLOAT f) override;
    STDMETHODIMP GetFloat(D3DXHANDLE h, FLOAT* pf) override;
    STDMETHODIMP SetFloatArray(D3DXHANDLE h, const FLOAT* pf, UINT Count) override;
    STDMETHODIMP GetFloatArray(D3DXHANDLE h, FLOAT* pf, UINT Count) override;
    STDMETHODIMP SetVector(D3DXHANDLE h, const D3DXVECTOR4* pVector) override;
    STDMETHODIMP GetVector(D3DXHANDLE h, D3DXVECTOR4* pVector) override;
    STDMETHODIMP SetMatrix(D3DXHANDLE h, const D3DXMATRIX* pMatrix) override;
    STDMETHODIMP GetMatrix(D3DXHANDLE h, D3DXMATRIX* pMatrix) override;
    STDMETHODIMP SetTexture(D3DXHANDLE h, IDirect3DBaseTexture9* pTexture) override;
    STDMETHODIMP GetTexture(D3DXHANDLE h, IDirect3DBaseTexture9** ppTexture) override;

    STDMETHODIMP GetPool(ID3DXEffectPool** ppPool) override;
    STDMETHODIMP SetTechnique(D3DXHANDLE hTechnique) override;
    STDMETHODIMP_(D3DXHANDLE) GetCurrentTechnique() override;
    STDMETHODIMP ValidateTechnique(D3DXHANDLE hTechnique) override;
    STDMETHODIMP_(BOOL) IsParameterUsed(D3DXHANDLE hParameter, D3DXHANDLE hTechnique) override;
    STDMETHODIMP Begin(UINT* pPasses, DWORD Flags) override;
    STDMETHODIMP BeginPass(UINT Pass) override;
    STDMETHODIMP CommitChanges() override;
    STDMETHODIMP EndPass() override;
    STDMETHODIMP End() override;
    STDMETHODIMP GetDevice(IDirect3DDevice9** ppDevice) override;
    STDMETHODIMP OnLostDevice() override;
    STDMETHODIMP OnResetDevice() override;

private:
    struct PassRuntime
    {
        const fx::PassDecl* decl = nullptr;
        int vertexShader = -1;
        int pixelShader = -1;
        bool vertexGlobals = false;
        bool pixelGlobals = false;
        std::vector<int> samplers; // indices into the effect's samplers
    };

    Effect(IDirect3DDevice9* device, fx::CompiledEffect&& compiled, ID3DXEffectPool* pool);
    HRESULT createShaders();
    void buildPasses();

    int findTechnique(D3DXHANDLE h) const;
    bool findPass(D3DXHANDLE h, int* technique, int* pass) const;
    StateSelection selection(int technique, DWORD flags);
    void applyPass(const PassRuntime& pass, bool everything);

    ComPtr<IDirect3DDevice9> device_;
    ComPtr<ID3DXEffectPool> pool_;
    fx::CompiledEffect fx_;
    ParameterTable params_;
    std::vector<ComPtr<IDirect3DVertexShader9>> vertexShaders_;
    std::vector<ComPtr<IDirect3DPixelShader9>> pixelShaders_;
    std::vector<int> samplerTextures_; // texture parameter of each sampler, or -1
    std::vector<std::vector<PassRuntime>> passes_;

    int technique_ = 0;
    bool begun_ = false;
    int pass_ = -1;
    StateSnapshot saved_;
    uint64_t appliedConstants_ = 0;
    uint64_t appliedTextures_ = 0;
};

} // namespace swk::d3dx9
