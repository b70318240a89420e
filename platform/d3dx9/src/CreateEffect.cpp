#include "Buffer.h"

extern "C" HRESULT WINAPI D3DXCreateEffect(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                           UINT SrcDataLen, const D3DXMACRO*, LPD3DXINCLUDE, DWORD,
                                           LPD3DXEFFECTPOOL, LPD3DXEFFECT* ppEffect,
                                           LPD3DXBUFFER* ppCompilationErrors)
{
    if (ppEffect)
        *ppEffect = nullptr;
    if (ppCompilationErrors)
        *ppCompilationErrors = nullptr;
    if (!pDevice || !pSrcData || SrcDataLen == 0 || !ppEffect)
        return D3DERR_INVALIDCALL;
    if (ppCompilationErrors)
        swk::d3dx9::CreateTextBuffer(
            "memory(1,1): error: effect compilation is not available yet\n", ppCompilationErrors);
    return E_NOTIMPL;
}
