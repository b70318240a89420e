#include "Buffer.h"
#include "fx/EffectCompiler.h"
#include "runtime/Effect.h"

#include <new>

namespace
{

// Compile errors come back as E_FAIL with the messages, as D3DX reports them.
HRESULT createEffect(IDirect3DDevice9* device, const void* data, UINT length,
                     const D3DXMACRO* defines, ID3DXInclude* include, DWORD flags,
                     ID3DXEffectPool* pool, ID3DXEffect** effect, ID3DXBuffer** messages)
{
    using namespace swk::d3dx9;
    std::string_view text(static_cast<const char*>(data), length);
    // Raw-data resources sometimes carry a terminating NUL.
    while (!text.empty() && text.back() == '\0')
        text.remove_suffix(1);

    fx::EffectSource source;
    source.text = text;
    source.defines = defines;
    source.include = include;
    source.flags = flags;
    fx::CompiledEffect compiled;
    fx::Diagnostics diags;
    const bool ok = fx::compileEffect(source, &compiled, diags);
    if (messages && !diags.all().empty())
        createTextBuffer(diags.text(), messages);
    if (!ok)
        return E_FAIL;
    return Effect::create(device, std::move(compiled), pool, effect);
}

} // namespace

extern "C" HRESULT WINAPI D3DXCreateEffect(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                           UINT SrcDataLen, const D3DXMACRO* pDefines,
                                           LPD3DXINCLUDE pInclude, DWORD Flags,
                                           LPD3DXEFFECTPOOL pPool, LPD3DXEFFECT* ppEffect,
                                           LPD3DXBUFFER* ppCompilationErrors)
{
    if (ppEffect)
        *ppEffect = nullptr;
    if (ppCompilationErrors)
        *ppCompilationErrors = nullptr;
    if (!pDevice || !pSrcData || SrcDataLen == 0 || !ppEffect)
        return D3DERR_INVALIDCALL;
    try
    {
        return createEffect(pDevice, pSrcData, SrcDataLen, pDefines, pInclude, Flags, pPool,
                            ppEffect, ppCompilationErrors);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    catch (...)
    {
        return E_FAIL;
    }
}
