#include "Effect.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace swk::d3dx9
{

using fx::ParamDecl;

HRESULT Effect::create(IDirect3DDevice9* device, fx::CompiledEffect&& compiled,
                       ID3DXEffectPool* pool, ID3DXEffect** out)
{
    *out = nullptr;
    Effect* effect = new (std::nothrow) Effect(device, std::move(compiled), pool);
    if (!effect)
        return E_OUTOFMEMORY;
    const HRESULT hr = effect->createShaders();
    if (FAILED(hr))
    {
        effect->Release();
        return hr;
    }
    effect->buildPasses();
    *out = effect;
    return D3D_OK;
}

Effect::Effect(IDirect3DDevice9* device, fx::CompiledEffect&& compiled, ID3DXEffectPool* pool)
    : device_(device), pool_(pool), fx_(std::move(compiled)), params_(fx_.parsed.params, fx_.layout)
{
    for (const fx::SamplerDecl& s : fx_.parsed.samplers)
        samplerTextures_.push_back(s.texture.empty() ? -1 : params_.find(s.texture.c_str()));
}

HRESULT Effect::createShaders()
{
    vertexShaders_.resize(fx_.shaders.size());
    pixelShaders_.resize(fx_.shaders.size());
    for (size_t i = 0; i < fx_.shaders.size(); ++i)
    {
        const std::vector<uint32_t>& blob = fx_.shaders[i].blob;
        const auto* words = reinterpret_cast<const DWORD*>(blob.data());
        const bool vertex = blob[1] == static_cast<uint32_t>(ShaderBlobStage::Vertex);
        const HRESULT hr = vertex ? device_->CreateVertexShader(words, vertexShaders_[i].out())
                                  : device_->CreatePixelShader(words, pixelShaders_[i].out());
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}

void Effect::buildPasses()
{
    for (size_t t = 0; t < fx_.parsed.techniques.size(); ++t)
    {
        std::vector<PassRuntime>& passes = passes_.emplace_back();
        for (size_t p = 0; p < fx_.parsed.techniques[t].passes.size(); ++p)
        {
            PassRuntime r;
            r.decl = &fx_.parsed.techniques[t].passes[p];
            r.vertexShader = fx_.passes[t][p].vertexShader;
            r.pixelShader = fx_.passes[t][p].pixelShader;
            std::vector<uint32_t> registers;
            for (int s : {r.vertexShader, r.pixelShader})
            {
                if (s < 0)
                    continue;
                const fx::PatchResult& io = fx_.shaders[static_cast<size_t>(s)].io;
                (s == r.vertexShader ? r.vertexGlobals : r.pixelGlobals) = io.usesGlobals;
                registers.insert(registers.end(), io.samplerRegisters.begin(),
                                 io.samplerRegisters.end());
            }
            for (size_t k = 0; k < fx_.parsed.samplers.size(); ++k)
                if (std::find(registers.begin(), registers.end(),
                              static_cast<uint32_t>(fx_.parsed.samplers[k].reg)) != registers.end())
                    r.samplers.push_back(static_cast<int>(k));
            passes.push_back(std::move(r));
        }
    }
}

int Effect::findTechnique(D3DXHANDLE h) const
{
    if (!h)
        return -1;
    const auto& techniques = fx_.parsed.techniques;
    for (size_t i = 0; i < techniques.size(); ++i)
        if (h == techniques[i].name.c_str())
            return static_cast<int>(i);
    for (size_t i = 0; i < techniques.size(); ++i)
        if (!techniques[i].name.empty() && techniques[i].name == h)
            return static_cast<int>(i);
    return -1;
}

bool Effect::findPass(D3DXHANDLE h, int* technique, int* pass) const
{
    const auto& techniques = fx_.parsed.techniques;
    for (size_t t = 0; t < techniques.size(); ++t)
        for (size_t p = 0; p < techniques[t].passes.size(); ++p)
            if (h && h == techniques[t].passes[p].name.c_str())
            {
                *technique = static_cast<int>(t);
                *pass = static_cast<int>(p);
                return true;
            }
    return false;
}

STDMETHODIMP Effect::GetDesc(D3DXEFFECT_DESC* pDesc)
{
    if (!pDesc)
        return D3DERR_INVALIDCALL;
    pDesc->Creator = "Swellkit effect compiler (glslang HLSL)";
    pDesc->Parameters = static_cast<UINT>(params_.count());
    pDesc->Techniques = static_cast<UINT>(fx_.parsed.techniques.size());
    pDesc->Functions = static_cast<UINT>(fx_.shaders.size());
    return D3D_OK;
}

STDMETHODIMP Effect::GetParameterDesc(D3DXHANDLE hParameter, D3DXPARAMETER_DESC* pDesc)
{
    const int i = params_.find(hParameter);
    if (i < 0 || !pDesc)
        return D3DERR_INVALIDCALL;
    const ParamDecl& d = params_.decl(static_cast<size_t>(i));
    pDesc->Name = d.name.c_str();
    pDesc->Semantic = d.semantic.empty() ? nullptr : d.semantic.c_str();
    pDesc->Class = d.cls;
    pDesc->Type = d.type;
    pDesc->Rows = d.rows;
    pDesc->Columns = d.columns;
    pDesc->Elements = d.elements;
    pDesc->Annotations = 0;
    pDesc->StructMembers = 0;
    pDesc->Flags = d.shared ? D3DX_PARAMETER_SHARED : 0;
    pDesc->Bytes = d.isNumeric() ? d.components() * 4 : static_cast<UINT>(sizeof(void*));
    return D3D_OK;
}

STDMETHODIMP Effect::GetTechniqueDesc(D3DXHANDLE hTechnique, D3DXTECHNIQUE_DESC* pDesc)
{
    const int t = findTechnique(hTechnique);
    if (t < 0 || !pDesc)
        return D3DERR_INVALIDCALL;
    const fx::TechniqueDecl& tech = fx_.parsed.techniques[static_cast<size_t>(t)];
    pDesc->Name = tech.name.empty() ? nullptr : tech.name.c_str();
    pDesc->Passes = static_cast<UINT>(tech.passes.size());
    pDesc->Annotations = 0;
    return D3D_OK;
}

STDMETHODIMP Effect::GetPassDesc(D3DXHANDLE hPass, D3DXPASS_DESC* pDesc)
{
    int t, p;
    if (!pDesc || !findPass(hPass, &t, &p))
        return D3DERR_INVALIDCALL;
    const PassRuntime& r = passes_[static_cast<size_t>(t)][static_cast<size_t>(p)];
    pDesc->Name = r.decl->name.empty() ? nullptr : r.decl->name.c_str();
    pDesc->Annotations = 0;
    auto function = [this](int s) -> const DWORD*
    {
        return s < 0 ? nullptr
                     : reinterpret_cast<const DWORD*>(
                           fx_.shaders[static_cast<size_t>(s)].blob.data());
    };
    pDesc->pVertexShaderFunction = function(r.vertexShader);
    pDesc->pPixelShaderFunction = function(r.pixelShader);
    return D3D_OK;
}

STDMETHODIMP_(D3DXHANDLE) Effect::GetParameter(D3DXHANDLE hParameter, UINT Index)
{
    // Top-level parameters only: structures and array elements have no handles.
    if (hParameter || Index >= params_.count())
        return nullptr;
    return params_.handle(Index);
}

STDMETHODIMP_(D3DXHANDLE) Effect::GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName)
{
    if (hParameter || !pName)
        return nullptr;
    const int i = params_.find(pName);
    return i < 0 ? nullptr : params_.handle(static_cast<size_t>(i));
}

STDMETHODIMP_(D3DXHANDLE) Effect::GetTechnique(UINT Index)
{
    return Index < fx_.parsed.techniques.size() ? fx_.parsed.techniques[Index].name.c_str()
                                                : nullptr;
}

STDMETHODIMP_(D3DXHANDLE) Effect::GetTechniqueByName(LPCSTR pName)
{
    const int t = findTechnique(pName);
    return t < 0 ? nullptr : fx_.parsed.techniques[static_cast<size_t>(t)].name.c_str();
}

STDMETHODIMP_(D3DXHANDLE) Effect::GetPass(D3DXHANDLE hTechnique, UINT Index)
{
    const int t = findTechnique(hTechnique);
    if (t < 0 || Index >= fx_.parsed.techniques[static_cast<size_t>(t)].passes.size())
        return nullptr;
    return fx_.parsed.techniques[static_cast<size_t>(t)].passes[Index].name.c_str();
}

STDMETHODIMP_(D3DXHANDLE) Effect::GetPassByName(D3DXHANDLE hTechnique, LPCSTR pName)
{
    const int t = findTechnique(hTechnique);
    if (t < 0 || !pName)
        return nullptr;
    for (const fx::PassDecl& p : fx_.parsed.techniques[static_cast<size_t>(t)].passes)
        if (p.name == pName)
            return p.name.c_str();
    return nullptr;
}

STDMETHODIMP Effect::SetValue(D3DXHANDLE h, LPCVOID pData, UINT Bytes)
{
    return params_.setValue(params_.find(h), pData, Bytes);
}
STDMETHODIMP Effect::GetValue(D3DXHANDLE h, LPVOID pData, UINT Bytes)
{
    return params_.getValue(params_.find(h), pData, Bytes);
}
STDMETHODIMP Effect::SetBool(D3DXHANDLE h, BOOL b)
{
    return params_.setBool(params_.find(h), b);
}
STDMETHODIMP Effect::GetBool(D3DXHANDLE h, BOOL* pb)
{
    return params_.getBool(params_.find(h), pb);
}
STDMETHODIMP Effect::SetInt(D3DXHANDLE h, INT n)
{
    return params_.setInt(params_.find(h), n);
}
STDMETHODIMP Effect::GetInt(D3DXHANDLE h, INT* pn)
{
    return params_.getInt(params_.find(h), pn);
}
STDMETHODIMP Effect::SetFloat(D3DXHANDLE h, FLOAT f)
{
    return params_.setFloat(params_.find(h), f);
}
STDMETHODIMP Effect::GetFloat(D3DXHANDLE h, FLOAT* pf)
{
    return params_.getFloat(params_.find(h), pf);
}
STDMETHODIMP Effect::SetFloatArray(D3DXHANDLE h, const FLOAT* pf, UINT Count)
{
    return params_.setFloatArray(params_.find(h), pf, Count);
}
STDMETHODIMP Effect::GetFloatArray(D3DXHANDLE h, FLOAT* pf, UINT Count)
{
    return params_.getFloatArray(params_.find(h), pf, Count);
}
STDMETHODIMP Effect::SetVector(D3DXHANDLE h, const D3DXVECTOR4* pVector)
{
    return params_.setVector(params_.find(h), pVector);
}
STDMETHODIMP Effect::GetVector(D3DXHANDLE h, D3DXVECTOR4* pVector)
{
    return params_.getVector(params_.find(h), pVector);
}
STDMETHODIMP Effect::SetMatrix(D3DXHANDLE h, const D3DXMATRIX* pMatrix)
{
    return params_.setMatrix(params_.find(h), pMatrix);
}
STDMETHODIMP Effect::GetMatrix(D3DXHANDLE h, D3DXMATRIX* pMatrix)
{
    return params_.getMatrix(params_.find(h), pMatrix);
}
STDMETHODIMP Effect::SetTexture(D3DXHANDLE h, IDirect3DBaseTexture9* pTexture)
{
    return params_.setTexture(params_.find(h), pTexture);
}
STDMETHODIMP Effect::GetTexture(D3DXHANDLE h, IDirect3DBaseTexture9** ppTexture)
{
    if (ppTexture)
        *ppTexture = nullptr;
    return params_.getTexture(params_.find(h), ppTexture);
}

STDMETHODIMP Effect::GetPool(ID3DXEffectPool** ppPool)
{
    if (!ppPool)
        return D3DERR_INVALIDCALL;
    *ppPool = pool_.get();
    if (*ppPool)
        (*ppPool)->AddRef();
    return D3D_OK;
}

STDMETHODIMP Effect::SetTechnique(D3DXHANDLE hTechnique)
{
    const int t = findTechnique(hTechnique);
    if (t < 0 || begun_)
        return D3DERR_INVALIDCALL;
    technique_ = t;
    return D3D_OK;
}

STDMETHODIMP_(D3DXHANDLE) Effect::GetCurrentTechnique()
{
    return GetTechnique(static_cast<UINT>(technique_));
}

STDMETHODIMP Effect::ValidateTechnique(D3DXHANDLE hTechnique)
{
    return findTechnique(hTechnique) < 0 ? D3DERR_INVALIDCALL : D3D_OK;
}

STDMETHODIMP_(BOOL) Effect::IsParameterUsed(D3DXHANDLE hParameter, D3DXHANDLE hTechnique)
{
    const int i = params_.find(hParameter);
    const int t = findTechnique(hTechnique);
    if (i < 0 || t < 0)
        return FALSE;
    const ParamDecl& d = params_.decl(static_cast<size_t>(i));
    for (const PassRuntime& p : passes_[static_cast<size_t>(t)])
    {
        if (d.isNumeric() && (p.vertexGlobals || p.pixelGlobals) &&
            fx_.layout.offsets.count(d.name))
            return TRUE;
        for (int s : p.samplers)
            if (fx_.parsed.samplers[static_cast<size_t>(s)].param == i ||
                samplerTextures_[static_cast<size_t>(s)] == i)
                return TRUE;
    }
    return FALSE;
}

StateSelection Effect::selection(int technique, DWORD flags)
{
    StateSelection what;
    const bool shaders = !(flags & D3DXFX_DONOTSAVESHADERSTATE);
    const bool samplerStates = !(flags & D3DXFX_DONOTSAVESAMPLERSTATE);
    for (const PassRuntime& p : passes_[static_cast<size_t>(technique)])
    {
        if (shaders)
        {
            what.vertexShader |= p.decl->vertexShader.has_value();
            what.pixelShader |= p.decl->pixelShader.has_value();
            if (p.vertexGlobals)
                what.vertexConstants = params_.constantRegisters();
            if (p.pixelGlobals)
                what.pixelConstants = params_.constantRegisters();
        }
        for (const fx::StateAssignment& rs : p.decl->renderStates)
            if (std::find(what.renderStates.begin(), what.renderStates.end(), rs.state) ==
                what.renderStates.end())
                what.renderStates.push_back(rs.state);
        for (int s : p.samplers)
        {
            const fx::SamplerDecl& decl = fx_.parsed.samplers[static_cast<size_t>(s)];
            const DWORD reg = static_cast<DWORD>(decl.reg);
            auto it =
                std::find_if(what.samplers.begin(), what.samplers.end(),
                             [reg](const StateSelection::Sampler& x) { return x.reg == reg; });
            if (it == what.samplers.end())
                it = what.samplers.insert(what.samplers.end(), {reg, {}});
            if (samplerStates)
                for (const fx::StateAssignment& st : decl.states)
                    if (std::find(it->states.begin(), it->states.end(), st.state) ==
                        it->states.end())
                        it->states.push_back(st.state);
        }
    }
    return what;
}

STDMETHODIMP Effect::Begin(UINT* pPasses, DWORD Flags)
{
    if (begun_ || technique_ < 0 || static_cast<size_t>(technique_) >= passes_.size())
        return D3DERR_INVALIDCALL;
    if (pPasses)
        *pPasses = static_cast<UINT>(passes_[static_cast<size_t>(technique_)].size());
    saved_.clear();
    if (!(Flags & D3DXFX_DONOTSAVESTATE))
        saved_.capture(device_.get(), selection(technique_, Flags));
    begun_ = true;
    return D3D_OK;
}

void Effect::applyPass(const PassRuntime& pass, bool everything)
{
    IDirect3DDevice9* device = device_.get();
    if (everything)
    {
        if (pass.decl->vertexShader)
            device->SetVertexShader(
                pass.vertexShader < 0
                    ? nullptr
                    : vertexShaders_[static_cast<size_t>(pass.vertexShader)].get());
        if (pass.decl->pixelShader)
            device->SetPixelShader(
                pass.pixelShader < 0 ? nullptr
                                     : pixelShaders_[static_cast<size_t>(pass.pixelShader)].get());
        for (const fx::StateAssignment& rs : pass.decl->renderStates)
            device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(rs.state), rs.value);
        for (int s : pass.samplers)
        {
            const fx::SamplerDecl& decl = fx_.parsed.samplers[static_cast<size_t>(s)];
            for (const fx::StateAssignment& st : decl.states)
                device->SetSamplerState(static_cast<DWORD>(decl.reg),
                                        static_cast<D3DSAMPLERSTATETYPE>(st.state), st.value);
        }
    }
    if (everything || appliedTextures_ != params_.texturesVersion())
    {
        for (int s : pass.samplers)
            device->SetTexture(static_cast<DWORD>(fx_.parsed.samplers[static_cast<size_t>(s)].reg),
                               params_.texture(samplerTextures_[static_cast<size_t>(s)]));
        appliedTextures_ = params_.texturesVersion();
    }
    if (everything || appliedConstants_ != params_.constantsVersion())
    {
        const UINT registers = params_.constantRegisters();
        if (pass.vertexGlobals)
            device->SetVertexShaderConstantF(0, params_.constants(), registers);
        if (pass.pixelGlobals)
            device->SetPixelShaderConstantF(0, params_.constants(), registers);
        appliedConstants_ = params_.constantsVersion();
    }
}

STDMETHODIMP Effect::BeginPass(UINT Pass)
{
    if (!begun_ || pass_ >= 0 || Pass >= passes_[static_cast<size_t>(technique_)].size())
        return D3DERR_INVALIDCALL;
    pass_ = static_cast<int>(Pass);
    applyPass(passes_[static_cast<size_t>(technique_)][Pass], true);
    return D3D_OK;
}

STDMETHODIMP Effect::CommitChanges()
{
    if (pass_ < 0)
        return D3DERR_INVALIDCALL;
    applyPass(passes_[static_cast<size_t>(technique_)][static_cast<size_t>(pass_)], false);
    return D3D_OK;
}

STDMETHODIMP Effect::EndPass()
{
    if (pass_ < 0)
        return D3DERR_INVALIDCALL;
    pass_ = -1;
    return D3D_OK;
}

STDMETHODIMP Effect::End()
{
    if (!begun_)
        return D3DERR_INVALIDCALL;
    pass_ = -1;
    begun_ = false;
    saved_.restore(device_.get());
    return D3D_OK;
}

STDMETHODIMP Effect::GetDevice(IDirect3DDevice9** ppDevice)
{
    if (!ppDevice)
        return D3DERR_INVALIDCALL;
    *ppDevice = device_.get();
    (*ppDevice)->AddRef();
    return D3D_OK;
}

// A device reset is refused while default-pool textures live, so the effect
// lets go of those it holds, and of the state saved by an unfinished Begin.
STDMETHODIMP Effect::OnLostDevice()
{
    params_.releaseDefaultPoolTextures();
    saved_.clear();
    begun_ = false;
    pass_ = -1;
    return D3D_OK;
}

STDMETHODIMP Effect::OnResetDevice()
{
    return D3D_OK;
}

} // namespace swk::d3dx9
