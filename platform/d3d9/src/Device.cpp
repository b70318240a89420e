#include "Device.h"
#include "Buffers.h"
#include "Direct3D9.h"
#include "Shaders.h"
#include "Surface.h"
#include "Texture.h"

namespace swk::d3d9
{

Device::Device(Direct3D9& d3d, std::shared_ptr<vk::Context> context, const Emulation& emulation,
               const D3DDEVICE_CREATION_PARAMETERS& creation, D3DPRESENT_PARAMETERS& present,
               std::unique_ptr<Window> window)
    : d3d_(d3d), context_(std::move(context)), renderer_(std::make_unique<vk::Renderer>(context_)),
      emulation_(emulation), creation_(creation), present_(present), window_(std::move(window))
{
    fixedFunction_ = std::make_unique<FixedFunction>(*renderer_);
    if (window_)
        attachWindow(window_->handle(), present_);
    createImplicitSurfaces(present_);
    resetState();
    d3d_.AddRef();
}

Device::~Device()
{
    state_.unbindAll();
    releaseImplicitSurfaces();
    fixedFunction_.reset();
    presenter_.reset();
    renderer_.reset();
    d3d_.Release();
}

void Device::createImplicitSurfaces(const D3DPRESENT_PARAMETERS& present)
{
    backBuffer_ =
        newSurface(Lifetime::Owner::Device, present.BackBufferWidth, present.BackBufferHeight,
                   present.BackBufferFormat, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                   VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT |
                       VK_IMAGE_USAGE_TRANSFER_DST_BIT,
                   (present.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0, "back buffer");
    if (present.EnableAutoDepthStencil)
        autoDepth_ = newSurface(
            Lifetime::Owner::Device, present.BackBufferWidth, present.BackBufferHeight,
            present.AutoDepthStencilFormat, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT,
            VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT, false, "automatic depth-stencil");
}

void Device::releaseImplicitSurfaces()
{
    backBuffer_.reset();
    autoDepth_.reset();
}

void Device::resetState()
{
    state_.reset(autoDepth_ != nullptr);
    state_.renderTarget.reset(backBuffer_.get());
    state_.depthStencil.reset(autoDepth_.get());
    state_.viewport = {0, 0, present_.BackBufferWidth, present_.BackBufferHeight, 0.0f, 1.0f};
    state_.scissor = {0, 0, LONG(present_.BackBufferWidth), LONG(present_.BackBufferHeight)};
    state_.vertexConstantsVersion = nextVersion();
    state_.pixelConstantsVersion = nextVersion();
    inScene_ = false;
}

void Device::registerDefaultPool(Lifetime* object)
{
    defaultPool_.insert(object);
}

void Device::unregisterDefaultPool(Lifetime* object)
{
    defaultPool_.erase(object);
}

STDMETHODIMP Device::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject)
        return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDirect3DDevice9)
        *ppvObject = static_cast<IDirect3DDevice9*>(this);
    else if (riid == IID_ISwkDevice9)
        *ppvObject = static_cast<ISwkDevice9*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) Device::AddRef()
{
    return ++refs_;
}

STDMETHODIMP_(ULONG) Device::Release()
{
    const ULONG count = --refs_;
    if (count == 0)
        delete this;
    return count;
}

STDMETHODIMP Device::LoseDevice()
{
    cooperative_ = D3DERR_DEVICELOST;
    return D3D_OK;
}

STDMETHODIMP Device::MakeResettable()
{
    if (cooperative_ == D3DERR_DEVICELOST)
        cooperative_ = D3DERR_DEVICENOTRESET;
    return D3D_OK;
}

STDMETHODIMP Device::TestCooperativeLevel()
{
    // A closed window can be replaced by a Reset at once; a minimised one has
    // to come back first.
    if (windowLost_ && cooperative_ == D3DERR_DEVICELOST &&
        !(window_->exists() && !window_->hasArea()))
        cooperative_ = D3DERR_DEVICENOTRESET;
    return cooperative_;
}

STDMETHODIMP_(UINT) Device::GetAvailableTextureMem()
{
    return 512u << 20;
}

STDMETHODIMP Device::EvictManagedResources()
{
    return D3D_OK;
}

STDMETHODIMP Device::GetDirect3D(IDirect3D9** ppD3D9)
{
    if (!ppD3D9)
        return D3DERR_INVALIDCALL;
    d3d_.AddRef();
    *ppD3D9 = &d3d_;
    return D3D_OK;
}

STDMETHODIMP Device::GetDeviceCaps(D3DCAPS9* pCaps)
{
    if (!pCaps)
        return D3DERR_INVALIDCALL;
    fillCaps(*context_, emulation_, pCaps);
    return D3D_OK;
}

STDMETHODIMP Device::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode)
{
    if (!pMode || iSwapChain != 0)
        return D3DERR_INVALIDCALL;
    *pMode = {present_.BackBufferWidth, present_.BackBufferHeight, 60,
              displayFormatFor(present_.BackBufferFormat)};
    return D3D_OK;
}

STDMETHODIMP Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters)
{
    if (!pParameters)
        return D3DERR_INVALIDCALL;
    *pParameters = creation_;
    return D3D_OK;
}

STDMETHODIMP Device::Reset(D3DPRESENT_PARAMETERS* pPresentationParameters)
{
    if (!pPresentationParameters)
        return D3DERR_INVALIDCALL;
    if (TestCooperativeLevel() == D3DERR_DEVICELOST)
        return D3DERR_DEVICELOST;
    D3DPRESENT_PARAMETERS present = *pPresentationParameters;
    HRESULT valid = normalizePresentParameters(d3d_, present);
    const HWND window = windowFor(present);
    // An off-screen device's Vulkan device cannot make swapchains.
    if (SUCCEEDED(valid) && window && !context_->presentable())
        valid = D3DERR_INVALIDCALL;
    if (SUCCEEDED(valid))
        for (Lifetime* object : defaultPool_)
            if (object->references() > 0)
            {
                valid = D3DERR_INVALIDCALL;
                break;
            }
    if (FAILED(valid))
    {
        // A refused reset leaves the device waiting for a good one.
        cooperative_ = D3DERR_DEVICENOTRESET;
        return valid;
    }
    const HRESULT reset = guarded(
        [&]() -> HRESULT
        {
            // The window first, so that one that cannot be presented to fails
            // the Reset before the surfaces go.
            if (window)
                attachWindow(window, present);
            else
            {
                presenter_.reset();
                window_.reset();
            }
            state_.unbindAll();
            renderer_->finish();
            releaseImplicitSurfaces();
            present_ = present;
            createImplicitSurfaces(present_);
            resetState();
            windowLost_ = false;
            cooperative_ = D3D_OK;
            *pPresentationParameters = present;
            return D3D_OK;
        });
    if (FAILED(reset))
        cooperative_ = D3DERR_DEVICENOTRESET;
    return reset;
}

STDMETHODIMP Device::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                   IDirect3DSurface9** ppBackBuffer)
{
    if (!ppBackBuffer)
        return D3DERR_INVALIDCALL;
    *ppBackBuffer = nullptr;
    if (iSwapChain != 0 || iBackBuffer >= present_.BackBufferCount ||
        Type != D3DBACKBUFFER_TYPE_MONO)
        return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *ppBackBuffer = backBuffer_.get();
    return D3D_OK;
}

STDMETHODIMP Device::BeginScene()
{
    if (inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

STDMETHODIMP Device::EndScene()
{
    if (!inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = false;
    return guarded(
        [&]() -> HRESULT
        {
            renderer_->flush();
            return D3D_OK;
        });
}

} // namespace swk::d3d9
