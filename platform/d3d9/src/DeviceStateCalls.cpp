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

template <UINT Registers>
bool setConstants(float (&file)[Registers][4], UINT start, const float* data, UINT count)
{
    if (!data || start >= Registers || count > Registers - start)
        return false;
    std::memcpy(file[start], data, sizeof(float) * 4 * count);
    return true;
}

template <UINT Registers>
HRESULT getConstants(const float (&file)[Registers][4], UINT start, float* data, UINT count)
{
    if (!data || start >= Registers || count > Registers - start)
        return D3DERR_INVALIDCALL;
    std::memcpy(data, file[start], sizeof(float) * 4 * count);
    return D3D_OK;
}

} // namespace

STDMETHODIMP Device::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix)
{
    if (!pMatrix || !validTransform(State))
        return D3DERR_INVALIDCALL;
    state_.transforms[State] = *pMatrix;
    return D3D_OK;
}

STDMETHODIMP Device::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix)
{
    if (!pMatrix || !validTransform(State))
        return D3DERR_INVALIDCALL;
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
        return D3DERR_INVALIDCALL;
    state_.material = *pMaterial;
    return D3D_OK;
}

STDMETHODIMP Device::GetMaterial(D3DMATERIAL9* pMaterial)
{
    if (!pMaterial)
        return D3DERR_INVALIDCALL;
    *pMaterial = state_.material;
    return D3D_OK;
}

STDMETHODIMP Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value)
{
    if (!isRenderState(State))
        return D3DERR_INVALIDCALL;
    state_.renderStates[State] = Value;
    return D3D_OK;
}

STDMETHODIMP Device::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue)
{
    if (!pValue || !isRenderState(State))
        return D3DERR_INVALIDCALL;
    *pValue = state_.renderStates[State];
    return D3D_OK;
}

STDMETHODIMP Device::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture)
{
    if (!ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    DWORD slot;
    if (!samplerSlot(Stage, &slot))
        return D3DERR_INVALIDCALL;
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
        return D3DERR_INVALIDCALL;
    auto* texture = static_cast<Texture*>(pTexture);
    if (texture && texture->pool() == D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    state_.textures[slot].reset(texture);
    return D3D_OK;
}

STDMETHODIMP Device::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue)
{
    if (!pValue || Stage >= kTextureStages || !isTextureStageState(Type))
        return D3DERR_INVALIDCALL;
    *pValue = state_.textureStageStates[Stage][Type];
    return D3D_OK;
}

STDMETHODIMP Device::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value)
{
    if (Stage >= kTextureStages || !isTextureStageState(Type))
        return D3DERR_INVALIDCALL;
    state_.textureStageStates[Stage][Type] = Value;
    return D3D_OK;
}

STDMETHODIMP Device::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue)
{
    DWORD slot;
    if (!pValue || !samplerSlot(Sampler, &slot) || !isSamplerState(Type))
        return D3DERR_INVALIDCALL;
    *pValue = state_.samplerStates[slot][Type];
    return D3D_OK;
}

STDMETHODIMP Device::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value)
{
    DWORD slot;
    if (!samplerSlot(Sampler, &slot) || !isSamplerState(Type))
        return D3DERR_INVALIDCALL;
    state_.samplerStates[slot][Type] = Value;
    return D3D_OK;
}

STDMETHODIMP Device::SetFVF(DWORD FVF)
{
    VertexLayout layout;
    if (FVF && !layoutFromFvf(FVF, &layout))
        return D3DERR_INVALIDCALL;
    state_.fvf = FVF;
    return D3D_OK;
}

STDMETHODIMP Device::GetFVF(DWORD* pFVF)
{
    if (!pFVF)
        return D3DERR_INVALIDCALL;
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
        return D3DERR_INVALIDCALL;
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
        return D3DERR_INVALIDCALL;
    *ppShader = state_.pixelShader.get();
    if (*ppShader)
        (*ppShader)->AddRef();
    return D3D_OK;
}

STDMETHODIMP Device::SetVertexShaderConstantF(UINT StartRegister, const float* pConstantData,
                                              UINT Vector4fCount)
{
    if (!setConstants(state_.vertexConstants, StartRegister, pConstantData, Vector4fCount))
        return D3DERR_INVALIDCALL;
    state_.vertexConstantsVersion = nextVersion();
    return D3D_OK;
}

STDMETHODIMP Device::GetVertexShaderConstantF(UINT StartRegister, float* pConstantData,
                                              UINT Vector4fCount)
{
    return getConstants(state_.vertexConstants, StartRegister, pConstantData, Vector4fCount);
}

STDMETHODIMP Device::SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData,
                                             UINT Vector4fCount)
{
    if (!setConstants(state_.pixelConstants, StartRegister, pConstantData, Vector4fCount))
        return D3DERR_INVALIDCALL;
    state_.pixelConstantsVersion = nextVersion();
    return D3D_OK;
}

STDMETHODIMP Device::GetPixelShaderConstantF(UINT StartRegister, float* pConstantData,
                                             UINT Vector4fCount)
{
    return getConstants(state_.pixelConstants, StartRegister, pConstantData, Vector4fCount);
}

STDMETHODIMP Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                     UINT OffsetInBytes, UINT Stride)
{
    if (StreamNumber >= kStreams)
        return D3DERR_INVALIDCALL;
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
        return D3DERR_INVALIDCALL;
    *ppStreamData = nullptr;
    *pOffsetInBytes = 0;
    *pStride = 0;
    if (StreamNumber >= kStreams)
        return D3DERR_INVALIDCALL;
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
        return D3DERR_INVALIDCALL;
    *ppIndexData = state_.indices.get();
    if (*ppIndexData)
        (*ppIndexData)->AddRef();
    return D3D_OK;
}

} // namespace swk::d3d9
