// The Direct3D 9 device over Vulkan.
#pragma once

#include "DeviceState.h"
#include "Emulation.h"
#include "FixedFunction.h"
#include "Formats.h"
#include "Lifetime.h"
#include "Window.h"

#include <d3d9.h>
#include <swk/Com.h>
#include <swk/DeviceOptions.h>

#include "swk/vk/Debug.h"
#include "swk/vk/Error.h"
#include "swk/vk/Renderer.h"

#include <atomic>
#include <memory>
#include <set>

namespace swk::d3d9
{

class Direct3D9;
class Surface;

class Device final : public ComObject<IDirect3DDevice9>, public ISwkDevice9
{
public:
    // Throws vk::Error when the back buffer or the window's swapchain cannot be
    // made. Without a window the device renders off-screen only.
    Device(Direct3D9& d3d, std::shared_ptr<vk::Context> context, const Emulation& emulation,
           const D3DDEVICE_CREATION_PARAMETERS& creation, D3DPRESENT_PARAMETERS& present,
           std::unique_ptr<Window> window = nullptr);
    ~Device() override;

    // IUnknown, for both interfaces.
    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override;
    STDMETHOD_(ULONG, AddRef)() override { return ComObject::AddRef(); }
    STDMETHOD_(ULONG, Release)() override { return ComObject::Release(); }

    // ISwkDevice9
    STDMETHOD(LoseDevice)() override;
    STDMETHOD(MakeResettable)() override;

    // IDirect3DDevice9
    STDMETHOD(TestCooperativeLevel)() override;
    STDMETHOD_(UINT, GetAvailableTextureMem)() override;
    STDMETHOD(EvictManagedResources)() override;
    STDMETHOD(GetDirect3D)(IDirect3D9** ppD3D9) override;
    STDMETHOD(GetDeviceCaps)(D3DCAPS9* pCaps) override;
    STDMETHOD(GetDisplayMode)(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
    STDMETHOD(GetCreationParameters)(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    STDMETHOD(Reset)(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    STDMETHOD(Present)
    (const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
     const RGNDATA* pDirtyRegion) override;
    STDMETHOD(GetBackBuffer)
    (UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
     IDirect3DSurface9** ppBackBuffer) override;
    STDMETHOD(CreateTexture)
    (UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
     IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) override;
    STDMETHOD(CreateVertexBuffer)
    (UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool, IDirect3DVertexBuffer9** ppVertexBuffer,
     HANDLE* pSharedHandle) override;
    STDMETHOD(CreateIndexBuffer)
    (UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
     IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) override;
    STDMETHOD(CreateRenderTarget)
    (UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
     DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface,
     HANDLE* pSharedHandle) override;
    STDMETHOD(CreateDepthStencilSurface)
    (UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
     DWORD MultisampleQuality, BOOL Discard, IDirect3DSurface9** ppSurface,
     HANDLE* pSharedHandle) override;
    STDMETHOD(GetRenderTargetData)
    (IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface) override;
    STDMETHOD(GetFrontBufferData)(UINT iSwapChain, IDirect3DSurface9* pDestSurface) override;
    STDMETHOD(ColorFill)(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color) override;
    STDMETHOD(CreateOffscreenPlainSurface)
    (UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool, IDirect3DSurface9** ppSurface,
     HANDLE* pSharedHandle) override;
    STDMETHOD(SetRenderTarget)(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) override;
    STDMETHOD(GetRenderTarget)
    (DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) override;
    STDMETHOD(SetDepthStencilSurface)(IDirect3DSurface9* pNewZStencil) override;
    STDMETHOD(GetDepthStencilSurface)(IDirect3DSurface9** ppZStencilSurface) override;
    STDMETHOD(BeginScene)() override;
    STDMETHOD(EndScene)() override;
    STDMETHOD(Clear)
    (DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
     DWORD Stencil) override;
    STDMETHOD(SetTransform)(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    STDMETHOD(GetTransform)(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    STDMETHOD(SetViewport)(const D3DVIEWPORT9* pViewport) override;
    STDMETHOD(GetViewport)(D3DVIEWPORT9* pViewport) override;
    STDMETHOD(SetMaterial)(const D3DMATERIAL9* pMaterial) override;
    STDMETHOD(GetMaterial)(D3DMATERIAL9* pMaterial) override;
    STDMETHOD(SetRenderState)(D3DRENDERSTATETYPE State, DWORD Value) override;
    STDMETHOD(GetRenderState)(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    STDMETHOD(GetTexture)(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
    STDMETHOD(SetTexture)(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    STDMETHOD(GetTextureStageState)
    (DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
    STDMETHOD(SetTextureStageState)
    (DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    STDMETHOD(GetSamplerState)(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
    STDMETHOD(SetSamplerState)(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
    STDMETHOD(SetScissorRect)(const RECT* pRect) override;
    STDMETHOD(GetScissorRect)(RECT* pRect) override;
    STDMETHOD(DrawPrimitive)
    (D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
    STDMETHOD(DrawIndexedPrimitive)
    (D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex, UINT NumVertices,
     UINT startIndex, UINT primCount) override;
    STDMETHOD(DrawPrimitiveUP)
    (D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void* pVertexStreamZeroData,
     UINT VertexStreamZeroStride) override;
    STDMETHOD(SetFVF)(DWORD FVF) override;
    STDMETHOD(GetFVF)(DWORD* pFVF) override;
    STDMETHOD(CreateVertexShader)
    (const DWORD* pFunction, IDirect3DVertexShader9** ppShader) override;
    STDMETHOD(SetVertexShader)(IDirect3DVertexShader9* pShader) override;
    STDMETHOD(GetVertexShader)(IDirect3DVertexShader9** ppShader) override;
    STDMETHOD(SetVertexShaderConstantF)
    (UINT StartRegister, const float* pConstantData, UINT Vector4fCount) override;
    STDMETHOD(GetVertexShaderConstantF)
    (UINT StartRegister, float* pConstantData, UINT Vector4fCount) override;
    STDMETHOD(SetStreamSource)
    (UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
     UINT Stride) override;
    STDMETHOD(GetStreamSource)
    (UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
     UINT* pStride) override;
    STDMETHOD(SetIndices)(IDirect3DIndexBuffer9* pIndexData) override;
    STDMETHOD(GetIndices)(IDirect3DIndexBuffer9** ppIndexData) override;
    STDMETHOD(CreatePixelShader)(const DWORD* pFunction, IDirect3DPixelShader9** ppShader) override;
    STDMETHOD(SetPixelShader)(IDirect3DPixelShader9* pShader) override;
    STDMETHOD(GetPixelShader)(IDirect3DPixelShader9** ppShader) override;
    STDMETHOD(SetPixelShaderConstantF)
    (UINT StartRegister, const float* pConstantData, UINT Vector4fCount) override;
    STDMETHOD(GetPixelShaderConstantF)
    (UINT StartRegister, float* pConstantData, UINT Vector4fCount) override;

    // For the objects this device creates.
    vk::Renderer& renderer() { return *renderer_; }
    const Emulation& emulation() const { return emulation_; }
    bool operational() const { return cooperative_ == D3D_OK; }
    // Live default-pool objects (other than the implicit surfaces) block Reset.
    void registerDefaultPool(Lifetime* object);
    void unregisterDefaultPool(Lifetime* object);
    uint64_t nextVersion() { return ++versions_; }
    HRESULT refuse(const char* entryPoint, Rule rule, unsigned a = 0, unsigned b = 0) const
    {
        return emulation_.validation.refuse(entryPoint, rule, a, b);
    }

private:
    struct BackBuffers;
    enum class Primitive
    {
        Vertices,
        Indexed,
        User,
    };
    struct DrawSource;

    // A surface with an image of imageUsage (none when 0) and, when asked, a
    // CPU copy. format must be known.
    std::unique_ptr<Surface> newSurface(Lifetime::Owner owner, UINT width, UINT height,
                                        D3DFORMAT format, DWORD usage, D3DPOOL pool,
                                        VkImageUsageFlags imageUsage, bool cpuCopy,
                                        const char* name);
    // Zero sizes and sizes past MaxTextureWidth/Height are refused for every surface kind.
    HRESULT checkSize(const char* entryPoint, UINT width, UINT height) const;
    HRESULT checkAttachment(const char* entryPoint, DWORD usage, UINT width, UINT height,
                            D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                            DWORD multisampleQuality, IDirect3DSurface9** surface,
                            HANDLE* sharedHandle) const;
    HRESULT checkBuffer(const char* entryPoint, UINT length, DWORD usage, D3DPOOL pool,
                        void* buffer, HANDLE* sharedHandle) const;
    bool implements(REFIID riid) const override
    {
        return IsEqualIID(riid, IID_IDirect3DDevice9) || ComObject::implements(riid);
    }
    struct ImplicitSurfaces
    {
        std::unique_ptr<Surface> backBuffer;
        std::unique_ptr<Surface> depth;
    };
    ImplicitSurfaces createImplicitSurfaces(const D3DPRESENT_PARAMETERS& present);
    // The depth-stencil surface, when it covers the render target; hosts may
    // leave a smaller one bound while depth testing is off.
    Surface* usableDepth() const;
    void releaseImplicitSurfaces();
    // The window a Reset with these parameters presents to (null: none).
    HWND windowFor(const D3DPRESENT_PARAMETERS& present) const;
    // A presenter for window, the current one when it still fits.
    void attachWindow(HWND window, const D3DPRESENT_PARAMETERS& present);
    void resetState();
    HRESULT draw(D3DPRIMITIVETYPE type, UINT primitives, const DrawSource& source);

    Direct3D9& d3d_;
    std::shared_ptr<vk::Context> context_;
    std::unique_ptr<vk::Renderer> renderer_;
    Emulation emulation_;
    D3DDEVICE_CREATION_PARAMETERS creation_;
    D3DPRESENT_PARAMETERS present_{};
    // Declared before every object that unregisters itself from it.
    std::set<Lifetime*> defaultPool_;
    uint64_t versions_ = 0;
    std::unique_ptr<Surface> backBuffer_;
    std::unique_ptr<Surface> autoDepth_;
    std::unique_ptr<FixedFunction> fixedFunction_;
    std::unique_ptr<Window> window_;
    std::unique_ptr<vk::Presenter> presenter_;
    bool immediate_ = false;
    // The device was lost because its window closed or lost its area.
    bool windowLost_ = false;
    DeviceState state_;
    bool inScene_ = false;
    HRESULT cooperative_ = D3D_OK;
};

// Runs f, turning backend failures into Direct3D result codes.
template <typename F> HRESULT guarded(F&& f)
{
    try
    {
        return f();
    }
    catch (const vk::Error& e)
    {
        vk::logError("%s", e.what());
        return e.result() == VK_ERROR_OUT_OF_DEVICE_MEMORY ? D3DERR_OUTOFVIDEOMEMORY
                                                           : D3DERR_DRIVERINTERNALERROR;
    }
    catch (const std::bad_alloc&)
    {
        vk::logError("out of memory");
        return E_OUTOFMEMORY;
    }
    catch (const std::exception& e)
    {
        vk::logError("%s", e.what());
        return D3DERR_DRIVERINTERNALERROR;
    }
}

} // namespace swk::d3d9
