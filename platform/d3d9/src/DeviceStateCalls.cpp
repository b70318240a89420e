#include "Buffers.h"
#include "Device.h"
#include "Shaders.h"
#include "Texture.h"

#include <cstring>

namespace swk::d3d9
{
namespace
{

bool validTransform(DWORD type)
{
    return type == D3DTS_VIEW || type == D3DTS_PROJECTION ||
           (type >= D3DTS_TEXTURE0 && type <= D3DTS_TEXTURE7) || (type >= 256 && type < 512);
}

template <UINT Registers> bool inFile(const float (&)[Registers][4], UINT start, UINT count)
{
    return start < Registers && count <= Registers - start;
}

} // namespace

STDMETHODIMP Device::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix)
{
    if (!pMatrix)
        return refuse(__func__, Rule::NullArgument);
    if (!validTransform(State))
        return refuse(__func__, Rule::StateType, State);
    state_.transforms[State] = *pMatrix;
    return D3D_OK;
}

STDMETHODIMP Device::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix)
{
    if (!pMatrix)
        return refuse(__func__, Rule::NullArgument);
    if (!validTransform(State))
        return refuse(__func__, Rule::StateType, State);
    auto found = state_.transforms.find(State);
    if (found != state_.transforms.end())
        *pMatrix = found->second;
    else
    {
        *pMatrix = D3DMATRIX{};
        pMatrix->_11 = pMatrix->_22 = pMatrix->_33 = pMatrix->_44 = 1.0f;
    }
    return D3D_OK;
}

STDMETHODIMP Device::SetMaterial(const D3DMATERIAL9* pMaterial)
{
    if (!pMaterial)
        return refuse(__func__, Rule::NullArgument);
    state_.material = *pMaterial;
    return D3D_OK;
}

STDMETHODIMP Device::GetMaterial(D3DMATERIAL9* pMaterial)
{
    if (!pMaterial)
        return refuse(__func__, Rule::NullArgument);
    *pMaterial = state_.material;
    return D3D_OK;
}

STDMETHODIMP Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value)
{
    if (!isRenderState(State))
        return refuse(__func__, Rule::StateType, State);
    state_.renderStates[State] = Value;
    return D3D_OK;
}

STDMETHODIMP Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue)
{
    if (!pValue)
        return refuse(__func__, Rule::NullArgument);
    if (!isRenderState(State))
        return refuse(__func__, Rule::StateType, State);
    *pValue = state_.renderStates[State];
    return D3D_OK;
}

STDMETHODIMP Device::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture)
{
    if (!ppTexture)
        return refuse(__func__, Rule::NullArgument);
    *ppTexture = nullptr;
    DWORD slot;
    if (!samplerSlot(Stage, &slot))
        return refuse(__func__, Rule::StageIndex, Stage);
    if (Texture* texture = state_.textures[slot].get())
    {
        texture->AddRef();
        *ppTexture = texture;
    }
    return D3D_OK;
}

STDMETHODIMP Device::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture)
{
    DWORD slot;
    if (!samplerSlot(Stage, &slot))
        return refuse(__func__, Rule::StageIndex, Stage);
    auto* texture = static_cast<Texture*>(pTexture);
    if (texture && texture->pool() == D3DPOOL_SYSTEMMEM)
        return refuse(__func__, Rule::SystemMemoryTexture);
    state_.textures[slot].reset(texture);
    return D3D_OK;
}

STDMETHODIMP Device::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue)
{
    if (!pValue)
        return refuse(__func__, Rule::NullArgument);
    if (Stage >= kTextureStages)
        return refuse(__func__, Rule::StageIndex, Stage);
    if (!isTextureStageState(Type))
        return refuse(__func__, Rule::StateType, Type);
    *pValue = state_.textureStageStates[Stage][Type];
    return D3D_OK;
}

STDMETHODIMP Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value)
{
    if (Stage >= kTextureStages)
        return refuse(__func__, Rule::StageIndex, Stage);
    if (!isTextureStageState(Type))
        return refuse(__func__, Rule::StateType, Type);
    state_.textureStageStates[Stage][Type] = Value;
    return D3D_OK;
}

STDMETHODIMP Device::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue)
{
    DWORD slot;
    if (!pValue)
        return refuse(__func__, Rule::NullArgument);
    if (!samplerSlot(Sampler, &slot))
        return refuse(__func__, Rule::StageIndex, Sampler);
    if (!isSamplerState(Type))
        return refuse(__func__, Rule::StateType, Type);
    *pValue = state_.samplerStates[slot][Type];
    return D3D_OK;
}

STDMETHODIMP Device::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value)
{
    DWORD slot;
    if (!samplerSlot(Sampler, &slot))
        return refuse(__func__, Rule::StageIndex, Sampler);
    if (!isSamplerState(Type))
        return refuse(__func__, Rule::StateType, Type);
    state_.samplerStates[slot][Type] = Value;
    return D3D_OK;
}

STDMETHODIMP Device::SetFVF(DWORD FVF)
{
    VertexLayout layout;
    if (FVF && !layoutFromFvf(FVF, &layout))
        return refuse(__func__, Rule::InvalidFvf, FVF);
    state_.fvf = FVF;
    return D3D_OK;
}

STDMETHODIMP Device::GetFVF(DWORD* pFVF)
{
    if (!pFVF)
        return refuse(__func__, Rule::NullArgument);
    *pFVF = state_.fvf;
    return D3D_OK;
}

STDMETHODIMP Device::SetVertexShader(IDirect3DVertexShader9* pShader)
{
    state_.vertexShader.reset(static_cast<VertexShader*>(pShader));
    return D3D_OK;
}

STDMETHODIMP Device::GetVertexShader(IDirect3DVertexShader9** ppShader)
{
    if (!ppShader)
        return refuse(__func__, Rule::NullArgument);
    *ppShader = state_.vertexShader.get();
    if (*ppShader)
        (*ppShader)->AddRef();
    return D3D_OK;
}

STDMETHODIMP Device::SetPixelShader(IDirect3DPixelShader9* pShader)
{
    state_.pixelShader.reset(static_cast<PixelShader*>(pShader));
    return D3D_OK;
}

STDMETHODIMP Device::GetPixelShader(IDirect3DPixelShader9** ppShader)
{
    if (!ppShader)
        return refuse(__func__, Rule::NullArgument);
    *ppShader = state_.pixelShader.get();
    if (*ppShader)
        (*ppShader)->AddRef();
    return D3D_OK;
}

STDMETHODIMP Device::SetVertexShaderConstantF(UINT StartRegister, const float* pConstantData,
                                              UINT Vector4fCount)
{
    if (!pConstantData)
        return refuse(__func__, Rule::NullArgument);
    if (!inFile(state_.vertexConstants, StartRegister, Vector4fCount))
        return refuse(__func__, Rule::ConstantRange, StartRegister, StartRegister + Vector4fCount);
    std::memcpy(state_.vertexConstants[StartRegister], pConstantData,
                sizeof(float) * 4 * Vector4fCount);
    state_.vertexConstantsVersion = nextVersion();
    return D3D_OK;
}

STDMETHODIMP Device::GetVertexShaderConstantF(UINT StartRegister, float* pConstantData,
                                              UINT Vector4fCount)
{
    if (!pConstantData)
        return refuse(__func__, Rule::NullArgument);
    if (!inFile(state_.vertexConstants, StartRegister, Vector4fCount))
        return refuse(__func__, Rule::ConstantRange, StartRegister, StartRegister + Vector4fCount);
    std::memcpy(pConstantData, state_.vertexConstants[StartRegister],
                sizeof(float) * 4 * Vector4fCount);
    return D3D_OK;
}

STDMETHODIMP Device::SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData,
                                             UINT Vector4fCount)
{
    if (!pConstantData)
        return refuse(__func__, Rule::NullArgument);
    if (!inFile(state_.pixelConstants, StartRegister, Vector4fCount))
        return refuse(__func__, Rule::ConstantRange, StartRegister, StartRegister + Vector4fCount);
    std::memcpy(state_.pixelConstants[StartRegister], pConstantData,
                sizeof(float) * 4 * Vector4fCount);
    state_.pixelConstantsVersion = nextVersion();
    return D3D_OK;
}

STDMETHODIMP Device::GetPixelShaderConstantF(UINT StartRegister, float* pConstantData,
                                             UINT Vector4fCount)
{
    if (!pConstantData)
        return refuse(__func__, Rule::NullArgument);
    if (!inFile(state_.pixelConstants, StartRegister, Vector4fCount))
        return refuse(__func__, Rule::ConstantRange, StartRegister, StartRegister + Vector4fCount);
    std::memcpy(pConstantData, state_.pixelConstants[StartRegister],
                sizeof(float) * 4 * Vector4fCount);
    return D3D_OK;
}

STDMETHODIMP Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                     UINT OffsetInBytes, UINT Stride)
{
    if (StreamNumber >= kStreams)
        return refuse(__func__, Rule::StreamIndex, StreamNumber);
    StreamSource& s = state_.streams[StreamNumber];
    s.buffer.reset(static_cast<VertexBuffer*>(pStreamData));
    s.offset = OffsetInBytes;
    s.stride = Stride;
    return D3D_OK;
}

STDMETHODIMP Device::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData,
                                     UINT* pOffsetInBytes, UINT* pStride)
{
    if (!ppStreamData || !pOffsetInBytes || !pStride)
        return refuse(__func__, Rule::NullArgument);
    *ppStreamData = nullptr;
    *pOffsetInBytes = 0;
    *pStride = 0;
    if (StreamNumber >= kStreams)
        return refuse(__func__, Rule::StreamIndex, StreamNumber);
    const StreamSource& s = state_.streams[StreamNumber];
    *ppStreamData = s.buffer.get();
    if (*ppStreamData)
        (*ppStreamData)->AddRef();
    *pOffsetInBytes = s.offset;
    *pStride = s.stride;
    return D3D_OK;
}

STDMETHODIMP Device::SetIndices(IDirect3DIndexBuffer9* pIndexData)
{
    state_.indices.reset(static_cast<IndexBuffer*>(pIndexData));
    return D3D_OK;
}

STDMETHODIMP Device::GetIndices(IDirect3DIndexBuffer9** ppIndexData)
{
    if (!ppIndexData)
        return refuse(__func__, Rule::NullArgument);
    *ppIndexData = state_.indices.get();
    if (*ppIndexData)
        (*ppIndexData)->AddRef();
    return D3D_OK;
}

} // namespace swk::d3d9
