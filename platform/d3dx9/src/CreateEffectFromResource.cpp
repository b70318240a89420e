#include <d3dx9.h>

extern "C" HRESULT WINAPI D3DXCreateEffectFromResourceA(
    LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule, LPCSTR pSrcResource, const D3DXMACRO* pDefines,
    LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXEFFECTPOOL pPool, LPD3DXEFFECT* ppEffect,
    LPD3DXBUFFER* ppCompilationErrors)
{
    if (ppEffect)
        *ppEffect = nullptr;
    if (ppCompilationErrors)
        *ppCompilationErrors = nullptr;
    if (!pDevice || !pSrcResource || !ppEffect)
        return D3DERR_INVALIDCALL;

    HRSRC info = FindResourceA(hSrcModule, pSrcResource, RT_RCDATA);
    if (!info)
        return D3DXERR_INVALIDDATA;
    HGLOBAL loaded = LoadResource(hSrcModule, info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return D3DXERR_INVALIDDATA;
    return D3DXCreateEffect(pDevice, data, SizeofResource(hSrcModule, info), pDefines, pInclude,
                            Flags, pPool, ppEffect, ppCompilationErrors);
}
