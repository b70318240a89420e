#include "StateSnapshot.h"

namespace swk::d3dx9
{

void StateSnapshot::capture(IDirect3DDevice9* device, const StateSelection& what)
{
    clear();
    if (what.vertexShader)
        haveVertexShader_ = SUCCEEDED(device->GetVertexShader(vertexShader_.out()));
    if (what.pixelShader)
        havePixelShader_ = SUCCEEDED(device->GetPixelShader(pixelShader_.out()));
    vertexConstants_.resize(what.vertexConstants * 4);
    if (what.vertexConstants &&
        FAILED(device->GetVertexShaderConstantF(0, vertexConstants_.data(), what.vertexConstants)))
        vertexConstants_.clear();
    pixelConstants_.resize(what.pixelConstants * 4);
    if (what.pixelConstants &&
        FAILED(device->GetPixelShaderConstantF(0, pixelConstants_.data(), what.pixelConstants)))
        pixelConstants_.clear();
    for (DWORD state : what.renderStates)
    {
        DWORD value;
        if (SUCCEEDED(device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(state), &value)))
            renderStates_.push_back({state, value});
    }
    for (const StateSelection::Sampler& s : what.samplers)
    {
        TextureValue t{s.reg, {}};
        if (SUCCEEDED(device->GetTexture(s.reg, t.texture.out())))
            textures_.push_back(std::move(t));
        for (DWORD state : s.states)
        {
            DWORD value;
            if (SUCCEEDED(device->GetSamplerState(s.reg, static_cast<D3DSAMPLERSTATETYPE>(state),
                                                  &value)))
                samplerStates_.push_back({s.reg, state, value});
        }
    }
}

void StateSnapshot::restore(IDirect3DDevice9* device)
{
    if (haveVertexShader_)
        device->SetVertexShader(vertexShader_.get());
    if (havePixelShader_)
        device->SetPixelShader(pixelShader_.get());
    if (!vertexConstants_.empty())
        device->SetVertexShaderConstantF(0, vertexConstants_.data(),
                                         static_cast<UINT>(vertexConstants_.size() / 4));
    if (!pixelConstants_.empty())
        device->SetPixelShaderConstantF(0, pixelConstants_.data(),
                                        static_cast<UINT>(pixelConstants_.size() / 4));
    for (const Value& v : renderStates_)
        device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(v.key), v.value);
    for (const TextureValue& t : textures_)
        device->SetTexture(t.reg, t.texture.get());
    for (const SamplerValue& s : samplerStates_)
        device->SetSamplerState(s.reg, static_cast<D3DSAMPLERSTATETYPE>(s.state), s.value);
    clear();
}

void StateSnapshot::clear()
{
    haveVertexShader_ = havePixelShader_ = false;
    vertexShader_.reset();
    pixelShader_.reset();
    vertexConstants_.clear();
    pixelConstants_.clear();
    renderStates_.clear();
    textures_.clear();
    samplerStates_.clear();
}

} // namespace swk::d3dx9
