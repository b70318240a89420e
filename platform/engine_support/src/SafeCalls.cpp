// Each operation performs the call of the same name, reports a failure with the
// caller's file and line, and records the reference it hands out.
#include "Watch.h"

namespace
{

template <typename T>
HRESULT Finish(const CString& file, int line, const char* operation, HRESULT hr, T** out)
{
    if (FAILED(hr))
    {
        brantholm::ReportFailure(file, line, operation, hr);
        // A failed call must leave the caller's pointer null, whatever the callee did.
        if (out && *out)
            *out = NULL;
        return hr;
    }
    if (out)
        brantholm::Hold(reinterpret_cast<IUnknown*>(*out), file, line, operation);
    return hr;
}

} // namespace

HRESULT CD3DWatch::SafeCreateEffectFromResource(CString file, int line, IDirect3DDevice9* pDevice,
                                                HMODULE hSrcModule, LPCSTR pSrcResource,
                                                const D3DXMACRO* pDefines, ID3DXInclude* pInclude,
                                                DWORD Flags, ID3DXEffectPool* pPool,
                                                ID3DXEffect** ppEffect,
                                                ID3DXBuffer** ppCompilationErrors)
{
    if (!ppEffect)
        return Finish<ID3DXEffect>(file, line, "CreateEffectFromResource", D3DERR_INVALIDCALL,
                                   nullptr);
    *ppEffect = NULL;
    const HRESULT hr =
        D3DXCreateEffectFromResourceA(pDevice, hSrcModule, pSrcResource, pDefines, pInclude, Flags,
                                      pPool, ppEffect, ppCompilationErrors);
    if (ppCompilationErrors && *ppCompilationErrors)
        brantholm::Hold(*ppCompilationErrors, file, line, "CreateEffectFromResource messages");
    return Finish(file, line, "CreateEffectFromResource", hr, ppEffect);
}

HRESULT CD3DWatch::SafeCreateTexture(CString file, int line, IDirect3DDevice9* pDevice, UINT Width,
                                     UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                     D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                                     HANDLE* pSharedHandle)
{
    const HRESULT hr = pDevice && ppTexture
                           ? pDevice->CreateTexture(Width, Height, Levels, Usage, Format, Pool,
                                                    ppTexture, pSharedHandle)
                           : D3DERR_INVALIDCALL;
    return Finish(file, line, "CreateTexture", hr, ppTexture);
}

HRESULT CD3DWatch::SafeCreateVertexBuffer(CString file, int line, IDirect3DDevice9* pDevice,
                                          UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                          IDirect3DVertexBuffer9** ppVertexBuffer,
                                          HANDLE* pSharedHandle)
{
    const HRESULT hr =
        pDevice && ppVertexBuffer
            ? pDevice->CreateVertexBuffer(Length, Usage, FVF, Pool, ppVertexBuffer, pSharedHandle)
            : D3DERR_INVALIDCALL;
    return Finish(file, line, "CreateVertexBuffer", hr, ppVertexBuffer);
}

HRESULT CD3DWatch::SafeGetDirect3D(CString file, int line, IDirect3DDevice9* pDevice,
                                   IDirect3D9** ppD3D9)
{
    const HRESULT hr = pDevice && ppD3D9 ? pDevice->GetDirect3D(ppD3D9) : D3DERR_INVALIDCALL;
    return Finish(file, line, "GetDirect3D", hr, ppD3D9);
}

HRESULT CD3DWatch::SafeGetSurfaceLevel(CString file, int line, IDirect3DTexture9* pTexture,
                                       UINT Level, IDirect3DSurface9** ppSurfaceLevel)
{
    const HRESULT hr = pTexture && ppSurfaceLevel ? pTexture->GetSurfaceLevel(Level, ppSurfaceLevel)
                                                  : D3DERR_INVALIDCALL;
    return Finish(file, line, "GetSurfaceLevel", hr, ppSurfaceLevel);
}

HRESULT CD3DWatch::SafeGetRenderTarget(CString file, int line, IDirect3DDevice9* pDevice,
                                       DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget)
{
    const HRESULT hr = pDevice && ppRenderTarget
                           ? pDevice->GetRenderTarget(RenderTargetIndex, ppRenderTarget)
                           : D3DERR_INVALIDCALL;
    return Finish(file, line, "GetRenderTarget", hr, ppRenderTarget);
}

HRESULT CD3DWatch::SafeGetDepthStencilSurface(CString file, int line, IDirect3DDevice9* pDevice,
                                              IDirect3DSurface9** ppZStencilSurface)
{
    const HRESULT hr = pDevice && ppZStencilSurface
                           ? pDevice->GetDepthStencilSurface(ppZStencilSurface)
                           : D3DERR_INVALIDCALL;
    // A device without a depth-stencil surface answers NOTFOUND: that is the
    // answer, not a failure, and a host without one would hear of it every frame.
    if (hr == D3DERR_NOTFOUND)
    {
        *ppZStencilSurface = NULL;
        return hr;
    }
    return Finish(file, line, "GetDepthStencilSurface", hr, ppZStencilSurface);
}
