// Direct3D 9 interfaces for Linux builds, implemented by Swellkit's device over
// Vulkan (and by test doubles). The subset of methods carried here is the one
// Swellkit, its effect layer, its tools and typical hosts use; each keeps the
// real name, signature and relative order.
#pragma once

#include "d3d9types.h"
#include "d3d9caps.h"

#if defined(SWK_D3D9_BUILD)
#define SWK_D3D9_API __attribute__((visibility("default")))
#else
#define SWK_D3D9_API
#endif

#define D3D_SDK_VERSION 32
#define D3DADAPTER_DEFAULT 0

#define D3DCREATE_FPU_PRESERVE 0x00000002L
#define D3DCREATE_MULTITHREADED 0x00000004L
#define D3DCREATE_PUREDEVICE 0x00000010L
#define D3DCREATE_SOFTWARE_VERTEXPROCESSING 0x00000020L
#define D3DCREATE_HARDWARE_VERTEXPROCESSING 0x00000040L
#define D3DCREATE_MIXED_VERTEXPROCESSING 0x00000080L

#define _FACD3D 0x876
#define MAKE_D3DHRESULT(code) MAKE_HRESULT(1, _FACD3D, code)
#define MAKE_D3DSTATUS(code) MAKE_HRESULT(0, _FACD3D, code)
#define D3D_OK S_OK
#define D3DERR_WRONGTEXTUREFORMAT MAKE_D3DHRESULT(2072)
#define D3DERR_UNSUPPORTEDCOLOROPERATION MAKE_D3DHRESULT(2073)
#define D3DERR_UNSUPPORTEDCOLORARG MAKE_D3DHRESULT(2074)
#define D3DERR_UNSUPPORTEDALPHAOPERATION MAKE_D3DHRESULT(2075)
#define D3DERR_UNSUPPORTEDALPHAARG MAKE_D3DHRESULT(2076)
#define D3DERR_TOOMANYOPERATIONS MAKE_D3DHRESULT(2077)
#define D3DERR_CONFLICTINGTEXTUREFILTER MAKE_D3DHRESULT(2078)
#define D3DERR_UNSUPPORTEDFACTORVALUE MAKE_D3DHRESULT(2079)
#define D3DERR_CONFLICTINGRENDERSTATE MAKE_D3DHRESULT(2081)
#define D3DERR_UNSUPPORTEDTEXTUREFILTER MAKE_D3DHRESULT(2082)
#define D3DERR_CONFLICTINGTEXTUREPALETTE MAKE_D3DHRESULT(2086)
#define D3DERR_DRIVERINTERNALERROR MAKE_D3DHRESULT(2087)
#define D3DERR_NOTFOUND MAKE_D3DHRESULT(2150)
#define D3DERR_MOREDATA MAKE_D3DHRESULT(2151)
#define D3DERR_DEVICELOST MAKE_D3DHRESULT(2152)
#define D3DERR_DEVICENOTRESET MAKE_D3DHRESULT(2153)
#define D3DERR_NOTAVAILABLE MAKE_D3DHRESULT(2154)
#define D3DERR_OUTOFVIDEOMEMORY MAKE_D3DHRESULT(380)
#define D3DERR_INVALIDDEVICE MAKE_D3DHRESULT(2155)
#define D3DERR_INVALIDCALL MAKE_D3DHRESULT(2156)
#define D3DERR_DRIVERINVALIDCALL MAKE_D3DHRESULT(2157)
#define D3DERR_WASSTILLDRAWING MAKE_D3DHRESULT(540)
#define D3DOK_NOAUTOGEN MAKE_D3DSTATUS(2159)

inline const IID IID_IDirect3D9 = {
    0x81BDCBCA, 0x64D4, 0x426D, {0xAE, 0x8D, 0xAD, 0x01, 0x47, 0xF4, 0x27, 0x5C}};
inline const IID IID_IDirect3DDevice9 = {
    0xD0223B96, 0xBF7A, 0x43FD, {0x92, 0xBD, 0xA4, 0x3B, 0x0D, 0x82, 0xB9, 0xEB}};
inline const IID IID_IDirect3DResource9 = {
    0x05EEC05D, 0x8F7D, 0x4362, {0xB9, 0x99, 0xD1, 0xBA, 0xF3, 0x57, 0xC7, 0x04}};
inline const IID IID_IDirect3DVertexBuffer9 = {
    0xB64BB1B5, 0xFD70, 0x4DF6, {0xBF, 0x91, 0x19, 0xD0, 0xA1, 0x24, 0x55, 0xE3}};
inline const IID IID_IDirect3DSurface9 = {
    0x0CFBAF3A, 0x9FF6, 0x429A, {0x99, 0xB3, 0xA2, 0x79, 0x6A, 0xF8, 0xB8, 0x9B}};
inline const IID IID_IDirect3DIndexBuffer9 = {
    0x7C9DD65E, 0xD3F7, 0x4529, {0xAC, 0xEE, 0x78, 0x58, 0x30, 0xAC, 0xDE, 0x35}};
inline const IID IID_IDirect3DBaseTexture9 = {
    0x580CA87E, 0x1D3C, 0x4D54, {0x99, 0x1D, 0xB7, 0xD3, 0xE3, 0xC2, 0x98, 0xCE}};
inline const IID IID_IDirect3DTexture9 = {
    0x85C31227, 0x3DE5, 0x4F00, {0x9B, 0x3A, 0xF1, 0x1A, 0xC3, 0x8C, 0x18, 0xB5}};
inline const IID IID_IDirect3DVertexShader9 = {
    0xEFC5557E, 0x6265, 0x4613, {0x8A, 0x94, 0x43, 0x85, 0x78, 0x89, 0xEB, 0x36}};
inline const IID IID_IDirect3DPixelShader9 = {
    0x6D3BDBDC, 0x5B02, 0x4415, {0xB8, 0x52, 0xCE, 0x5E, 0x8B, 0xCC, 0xB2, 0x89}};

interface IDirect3D9;
interface IDirect3DDevice9;
interface IDirect3DResource9;
interface IDirect3DBaseTexture9;
interface IDirect3DTexture9;
interface IDirect3DSurface9;
interface IDirect3DVertexBuffer9;
interface IDirect3DIndexBuffer9;
interface IDirect3DVertexShader9;
interface IDirect3DPixelShader9;

interface IDirect3D9 : public IUnknown
{
    STDMETHOD_(UINT, GetAdapterCount)() PURE;
    STDMETHOD(GetAdapterIdentifier)(UINT Adapter, DWORD Flags,
                                    D3DADAPTER_IDENTIFIER9 * pIdentifier) PURE;
    STDMETHOD_(UINT, GetAdapterModeCount)(UINT Adapter, D3DFORMAT Format) PURE;
    STDMETHOD(EnumAdapterModes)(UINT Adapter, D3DFORMAT Format, UINT Mode,
                                D3DDISPLAYMODE * pMode) PURE;
    STDMETHOD(GetAdapterDisplayMode)(UINT Adapter, D3DDISPLAYMODE * pMode) PURE;
    STDMETHOD(CheckDeviceType)(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                               D3DFORMAT BackBufferFormat, BOOL bWindowed) PURE;
    STDMETHOD(CheckDeviceFormat)(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                 DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) PURE;
    STDMETHOD(CheckDepthStencilMatch)(UINT Adapter, D3DDEVTYPE DeviceType,
                                      D3DFORMAT AdapterFormat, D3DFORMAT RenderTargetFormat,
                                      D3DFORMAT DepthStencilFormat) PURE;
    STDMETHOD(GetDeviceCaps)(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9 * pCaps) PURE;
    STDMETHOD(CreateDevice)(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                            DWORD BehaviorFlags, D3DPRESENT_PARAMETERS * pPresentationParameters,
                            IDirect3DDevice9 * *ppReturnedDeviceInterface) PURE;

protected:
    ~IDirect3D9() = default;
};

interface IDirect3DResource9 : public IUnknown
{
    STDMETHOD(GetDevice)(IDirect3DDevice9 * *ppDevice) PURE;
    STDMETHOD_(DWORD, SetPriority)(DWORD PriorityNew) PURE;
    STDMETHOD_(DWORD, GetPriority)() PURE;
    STDMETHOD_(void, PreLoad)() PURE;
    STDMETHOD_(D3DRESOURCETYPE, GetType)() PURE;

protected:
    ~IDirect3DResource9() = default;
};

interface IDirect3DSurface9 : public IDirect3DResource9
{
    STDMETHOD(GetContainer)(REFIID riid, void** ppContainer) PURE;
    STDMETHOD(GetDesc)(D3DSURFACE_DESC * pDesc) PURE;
    STDMETHOD(LockRect)(D3DLOCKED_RECT * pLockedRect, const RECT* pRect, DWORD Flags) PURE;
    STDMETHOD(UnlockRect)() PURE;

protected:
    ~IDirect3DSurface9() = default;
};

interface IDirect3DVertexBuffer9 : public IDirect3DResource9
{
    STDMETHOD(Lock)(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) PURE;
    STDMETHOD(Unlock)() PURE;
    STDMETHOD(GetDesc)(D3DVERTEXBUFFER_DESC * pDesc) PURE;

protected:
    ~IDirect3DVertexBuffer9() = default;
};

interface IDirect3DIndexBuffer9 : public IDirect3DResource9
{
    STDMETHOD(Lock)(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) PURE;
    STDMETHOD(Unlock)() PURE;
    STDMETHOD(GetDesc)(D3DINDEXBUFFER_DESC * pDesc) PURE;

protected:
    ~IDirect3DIndexBuffer9() = default;
};

interface IDirect3DBaseTexture9 : public IDirect3DResource9
{
    STDMETHOD_(DWORD, SetLOD)(DWORD LODNew) PURE;
    STDMETHOD_(DWORD, GetLOD)() PURE;
    STDMETHOD_(DWORD, GetLevelCount)() PURE;
    STDMETHOD(SetAutoGenFilterType)(D3DTEXTUREFILTERTYPE FilterType) PURE;
    STDMETHOD_(D3DTEXTUREFILTERTYPE, GetAutoGenFilterType)() PURE;
    STDMETHOD_(void, GenerateMipSubLevels)() PURE;

protected:
    ~IDirect3DBaseTexture9() = default;
};

interface IDirect3DTexture9 : public IDirect3DBaseTexture9
{
    STDMETHOD(GetLevelDesc)(UINT Level, D3DSURFACE_DESC * pDesc) PURE;
    STDMETHOD(GetSurfaceLevel)(UINT Level, IDirect3DSurface9 * *ppSurfaceLevel) PURE;
    STDMETHOD(LockRect)(UINT Level, D3DLOCKED_RECT * pLockedRect, const RECT* pRect,
                        DWORD Flags) PURE;
    STDMETHOD(UnlockRect)(UINT Level) PURE;
    STDMETHOD(AddDirtyRect)(const RECT* pDirtyRect) PURE;

protected:
    ~IDirect3DTexture9() = default;
};

interface IDirect3DVertexShader9 : public IUnknown
{
    STDMETHOD(GetDevice)(IDirect3DDevice9 * *ppDevice) PURE;
    STDMETHOD(GetFunction)(void* pData, UINT* pSizeOfData) PURE;

protected:
    ~IDirect3DVertexShader9() = default;
};

interface IDirect3DPixelShader9 : public IUnknown
{
    STDMETHOD(GetDevice)(IDirect3DDevice9 * *ppDevice) PURE;
    STDMETHOD(GetFunction)(void* pData, UINT* pSizeOfData) PURE;

protected:
    ~IDirect3DPixelShader9() = default;
};

interface IDirect3DDevice9 : public IUnknown
{
    STDMETHOD(TestCooperativeLevel)() PURE;
    STDMETHOD_(UINT, GetAvailableTextureMem)() PURE;
    STDMETHOD(EvictManagedResources)() PURE;
    STDMETHOD(GetDirect3D)(IDirect3D9 * *ppD3D9) PURE;
    STDMETHOD(GetDeviceCaps)(D3DCAPS9 * pCaps) PURE;
    STDMETHOD(GetDisplayMode)(UINT iSwapChain, D3DDISPLAYMODE * pMode) PURE;
    STDMETHOD(GetCreationParameters)(D3DDEVICE_CREATION_PARAMETERS * pParameters) PURE;
    STDMETHOD(Reset)(D3DPRESENT_PARAMETERS * pPresentationParameters) PURE;
    STDMETHOD(Present)(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                       const RGNDATA* pDirtyRegion) PURE;
    STDMETHOD(GetBackBuffer)(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                             IDirect3DSurface9 * *ppBackBuffer) PURE;
    STDMETHOD(CreateTexture)(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                             D3DPOOL Pool, IDirect3DTexture9 * *ppTexture,
                             HANDLE * pSharedHandle) PURE;
    STDMETHOD(CreateVertexBuffer)(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                  IDirect3DVertexBuffer9 * *ppVertexBuffer,
                                  HANDLE * pSharedHandle) PURE;
    STDMETHOD(CreateIndexBuffer)(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                 IDirect3DIndexBuffer9 * *ppIndexBuffer,
                                 HANDLE * pSharedHandle) PURE;
    STDMETHOD(CreateRenderTarget)(UINT Width, UINT Height, D3DFORMAT Format,
                                  D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                                  BOOL Lockable, IDirect3DSurface9 * *ppSurface,
                                  HANDLE * pSharedHandle) PURE;
    STDMETHOD(CreateDepthStencilSurface)(UINT Width, UINT Height, D3DFORMAT Format,
                                         D3DMULTISAMPLE_TYPE MultiSample,
                                         DWORD MultisampleQuality, BOOL Discard,
                                         IDirect3DSurface9 * *ppSurface,
                                         HANDLE * pSharedHandle) PURE;
    STDMETHOD(GetRenderTargetData)(IDirect3DSurface9 * pRenderTarget,
                                   IDirect3DSurface9 * pDestSurface) PURE;
    STDMETHOD(GetFrontBufferData)(UINT iSwapChain, IDirect3DSurface9 * pDestSurface) PURE;
    STDMETHOD(ColorFill)(IDirect3DSurface9 * pSurface, const RECT* pRect, D3DCOLOR color) PURE;
    STDMETHOD(CreateOffscreenPlainSurface)(UINT Width, UINT Height, D3DFORMAT Format,
                                           D3DPOOL Pool, IDirect3DSurface9 * *ppSurface,
                                           HANDLE * pSharedHandle) PURE;
    STDMETHOD(SetRenderTarget)(DWORD RenderTargetIndex, IDirect3DSurface9 * pRenderTarget) PURE;
    STDMETHOD(GetRenderTarget)(DWORD RenderTargetIndex, IDirect3DSurface9 * *ppRenderTarget) PURE;
    STDMETHOD(SetDepthStencilSurface)(IDirect3DSurface9 * pNewZStencil) PURE;
    STDMETHOD(GetDepthStencilSurface)(IDirect3DSurface9 * *ppZStencilSurface) PURE;
    STDMETHOD(BeginScene)() PURE;
    STDMETHOD(EndScene)() PURE;
    STDMETHOD(Clear)(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                     DWORD Stencil) PURE;
    STDMETHOD(SetTransform)(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) PURE;
    STDMETHOD(GetTransform)(D3DTRANSFORMSTATETYPE State, D3DMATRIX * pMatrix) PURE;
    STDMETHOD(SetViewport)(const D3DVIEWPORT9* pViewport) PURE;
    STDMETHOD(GetViewport)(D3DVIEWPORT9 * pViewport) PURE;
    STDMETHOD(SetMaterial)(const D3DMATERIAL9* pMaterial) PURE;
    STDMETHOD(GetMaterial)(D3DMATERIAL9 * pMaterial) PURE;
    STDMETHOD(SetRenderState)(D3DRENDERSTATETYPE State, DWORD Value) PURE;
    STDMETHOD(GetRenderState)(D3DRENDERSTATETYPE State, DWORD * pValue) PURE;
    STDMETHOD(GetTexture)(DWORD Stage, IDirect3DBaseTexture9 * *ppTexture) PURE;
    STDMETHOD(SetTexture)(DWORD Stage, IDirect3DBaseTexture9 * pTexture) PURE;
    STDMETHOD(GetTextureStageState)(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                    DWORD * pValue) PURE;
    STDMETHOD(SetTextureStageState)(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) PURE;
    STDMETHOD(GetSamplerState)(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD * pValue) PURE;
    STDMETHOD(SetSamplerState)(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) PURE;
    STDMETHOD(SetScissorRect)(const RECT* pRect) PURE;
    STDMETHOD(GetScissorRect)(RECT * pRect) PURE;
    STDMETHOD(DrawPrimitive)(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                             UINT PrimitiveCount) PURE;
    STDMETHOD(DrawIndexedPrimitive)(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                    UINT MinVertexIndex, UINT NumVertices, UINT startIndex,
                                    UINT primCount) PURE;
    STDMETHOD(DrawPrimitiveUP)(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                               const void* pVertexStreamZeroData,
                               UINT VertexStreamZeroStride) PURE;
    STDMETHOD(SetFVF)(DWORD FVF) PURE;
    STDMETHOD(GetFVF)(DWORD * pFVF) PURE;
    STDMETHOD(CreateVertexShader)(const DWORD* pFunction, IDirect3DVertexShader9** ppShader) PURE;
    STDMETHOD(SetVertexShader)(IDirect3DVertexShader9 * pShader) PURE;
    STDMETHOD(GetVertexShader)(IDirect3DVertexShader9 * *ppShader) PURE;
    STDMETHOD(SetVertexShaderConstantF)(UINT StartRegister, const float* pConstantData,
                                        UINT Vector4fCount) PURE;
    STDMETHOD(GetVertexShaderConstantF)(UINT StartRegister, float* pConstantData,
                                        UINT Vector4fCount) PURE;
    STDMETHOD(SetStreamSource)(UINT StreamNumber, IDirect3DVertexBuffer9 * pStreamData,
                               UINT OffsetInBytes, UINT Stride) PURE;
    STDMETHOD(GetStreamSource)(UINT StreamNumber, IDirect3DVertexBuffer9 * *ppStreamData,
                               UINT * pOffsetInBytes, UINT * pStride) PURE;
    STDMETHOD(SetIndices)(IDirect3DIndexBuffer9 * pIndexData) PURE;
    STDMETHOD(GetIndices)(IDirect3DIndexBuffer9 * *ppIndexData) PURE;
    STDMETHOD(CreatePixelShader)(const DWORD* pFunction, IDirect3DPixelShader9** ppShader) PURE;
    STDMETHOD(SetPixelShader)(IDirect3DPixelShader9 * pShader) PURE;
    STDMETHOD(GetPixelShader)(IDirect3DPixelShader9 * *ppShader) PURE;
    STDMETHOD(SetPixelShaderConstantF)(UINT StartRegister, const float* pConstantData,
                                       UINT Vector4fCount) PURE;
    STDMETHOD(GetPixelShaderConstantF)(UINT StartRegister, float* pConstantData,
                                       UINT Vector4fCount) PURE;

protected:
    ~IDirect3DDevice9() = default;
};

typedef IDirect3D9* LPDIRECT3D9;
typedef IDirect3DDevice9* LPDIRECT3DDEVICE9;
typedef IDirect3DTexture9* LPDIRECT3DTEXTURE9;
typedef IDirect3DSurface9* LPDIRECT3DSURFACE9;
typedef IDirect3DVertexBuffer9* LPDIRECT3DVERTEXBUFFER9;

extern "C" SWK_D3D9_API IDirect3D9* WINAPI Direct3DCreate9(UINT SDKVersion);
