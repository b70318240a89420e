// Brantholm, the engine support library: the base class of device-restorable
// objects and CD3DWatch, whose static operations create and query Direct3D and
// D3DX objects, report failures with the caller's file and line, and keep a
// watch of every reference they hand out.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <afxstr.h>

#include <cstddef>
#include <functional>

#if defined(_WIN32)
#if defined(BRANTHOLM_BUILD)
#define BRANTHOLM_API __declspec(dllexport)
#else
#define BRANTHOLM_API __declspec(dllimport)
#endif
#else
#define BRANTHOLM_API __attribute__((visibility("default")))
#endif

class BRANTHOLM_API CDeviceRestorable
{
public:
    CDeviceRestorable();
    virtual ~CDeviceRestorable();

    // Objects of derived classes alive in the process.
    static long GetLiveCount();

    CDeviceRestorable(const CDeviceRestorable&) = delete;
    CDeviceRestorable& operator=(const CDeviceRestorable&) = delete;
};

class BRANTHOLM_API CD3DWatch
{
public:
    static HRESULT SafeCreateEffectFromResource(CString file, int line, IDirect3DDevice9* pDevice,
                                                HMODULE hSrcModule, LPCSTR pSrcResource,
                                                const D3DXMACRO* pDefines, ID3DXInclude* pInclude,
                                                DWORD Flags, ID3DXEffectPool* pPool,
                                                ID3DXEffect** ppEffect,
                                                ID3DXBuffer** ppCompilationErrors);
    static HRESULT SafeCreateTexture(CString file, int line, IDirect3DDevice9* pDevice, UINT Width,
                                     UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                     D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                                     HANDLE* pSharedHandle);
    static HRESULT SafeCreateVertexBuffer(CString file, int line, IDirect3DDevice9* pDevice,
                                          UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                          IDirect3DVertexBuffer9** ppVertexBuffer,
                                          HANDLE* pSharedHandle);
    static HRESULT SafeGetDirect3D(CString file, int line, IDirect3DDevice9* pDevice,
                                   IDirect3D9** ppD3D9);
    static HRESULT SafeGetSurfaceLevel(CString file, int line, IDirect3DTexture9* pTexture,
                                       UINT Level, IDirect3DSurface9** ppSurfaceLevel);
    static HRESULT SafeGetRenderTarget(CString file, int line, IDirect3DDevice9* pDevice,
                                       DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget);
    static HRESULT SafeGetDepthStencilSurface(CString file, int line, IDirect3DDevice9* pDevice,
                                              IDirect3DSurface9** ppZStencilSurface);

    // Releases *pp and sets it to null. The watch forgets the reference it
    // handed out; a reference it never handed out is reported, then released.
    static void SafeRelease(CString file, int line, IUnknown** pp)
    {
        _LockSemaphore();
        if (*pp)
        {
            if (_IsOperating())
            {
                if (_IsContainingData(*pp))
                    _ClearDataIfNeeded(*pp);
                else
                    _HandleError(file, line);
            }
            (*pp)->Release();
            *pp = NULL;
        }
        _UnlockSemaphore();
    }

    // Where reports go: file, line and a message such as
    // "CreateTexture failed: D3DERR_INVALIDCALL". Returns the previous sink; an
    // empty sink restores the default, one line "file(line): message" on stderr.
    typedef std::function<void(const char* file, int line, const char* message)> ReportSink;
    static ReportSink SetReportSink(ReportSink sink);

    // A watch that is not operating records nothing and lets releases through.
    static void SetOperating(bool operating);
    // References handed out and not yet released through SafeRelease.
    static size_t GetWatchedCount();
    // Reports every reference still held, as a leak; returns how many.
    static size_t ReportLeaks();
    // Forgets every held reference without releasing anything.
    static void ResetWatch();

protected:
    static bool _LockSemaphore();
    static void _UnlockSemaphore();
    static bool _IsOperating();
    static bool _IsContainingData(IUnknown* p);
    static void _ClearDataIfNeeded(IUnknown* p);
    static void _HandleError(const CString& file, int line);
};
