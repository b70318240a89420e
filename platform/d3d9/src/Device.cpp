#include "Device.h"
#include "Buffers.h"
#include "Direct3D9.h"
#include "Shaders.h"
#include "Surface.h"
#include "Texture.h"

#include <algorithm>

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
    ImplicitSurfaces implicit = createImplicitSurfaces(present_);
    backBuffer_ = std::move(implicit.backBuffer);
    autoDepth_ = std::move(implicit.depth);
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

Device::ImplicitSurfaces Device::createImplicitSurfaces(const D3DPRESENT_PARAMETERS& present)
{
    ImplicitSurfaces made;
    made.backBuffer =
        newSurface(Lifetime::Owner::Device, present.BackBufferWidth, present.BackBufferHeight,
                   present.BackBufferFormat, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                   VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT |
                       VK_IMAGE_USAGE_TRANSFER_DST_BIT,
                   (present.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0, "back buffer");
    if (present.EnableAutoDepthStencil)
        made.depth = newSurface(
            Lifetime::Owner::Device, present.BackBufferWidth, present.BackBufferHeight,
            present.AutoDepthStencilFormat, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT,
            VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT, false, "automatic depth-stencil");
    return made;
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
    if (ppvObject && IsEqualIID(riid, IID_ISwkDevice9))
    {
        AddRef();
        *ppvObject = static_cast<ISwkDevice9*>(this);
        return S_OK;
    }
    return ComObject::QueryInterface(riid, ppvObject);
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
        return refuse(__func__, Rule::NullArgument);
    d3d_.AddRef();
    *ppD3D9 = &d3d_;
    return D3D_OK;
}

STDMETHODIMP Device::GetDeviceCaps(D3DCAPS9* pCaps)
{
    if (!pCaps)
        return refuse(__func__, Rule::NullArgument);
    fillCaps(*context_, emulation_, pCaps);
    return D3D_OK;
}

STDMETHODIMP Device::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode)
{
    if (!pMode)
        return refuse(__func__, Rule::NullArgument);
    if (iSwapChain != 0)
        return refuse(__func__, Rule::SwapChainIndex, iSwapChain);
    *pMode = {present_.BackBufferWidth, present_.BackBufferHeight, 60,
              displayFormatFor(present_.BackBufferFormat)};
    return D3D_OK;
}

STDMETHODIMP Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters)
{
    if (!pParameters)
        return refuse(__func__, Rule::NullArgument);
    *pParameters = creation_;
    return D3D_OK;
}

STDMETHODIMP Device::Reset(D3DPRESENT_PARAMETERS* pPresentationParameters)
{
    if (!pPresentationParameters)
        return refuse(__func__, Rule::NullArgument);
    if (TestCooperativeLevel() == D3DERR_DEVICELOST)
        return D3DERR_DEVICELOST;
    D3DPRESENT_PARAMETERS present = *pPresentationParameters;
    HRESULT valid = normalizePresentParameters(d3d_, present, __func__);
    const HWND window = windowFor(present);
    if (SUCCEEDED(valid) && window && !context_->presentable())
        valid = refuse(__func__, Rule::WindowOnOffscreenDevice);
    if (SUCCEEDED(valid))
    {
        const auto alive = std::count_if(defaultPool_.begin(), defaultPool_.end(),
                                         [](Lifetime* object) { return object->references() > 0; });
        if (alive > 0)
            valid = refuse(__func__, Rule::DefaultPoolAlive, unsigned(alive));
    }
    // A refused or failed reset leaves the device waiting for a good one, with
    // the old implicit surfaces still in place so that nothing sees a null target.
    cooperative_ = D3DERR_DEVICENOTRESET;
    if (FAILED(valid))
        return valid;
    return guarded(
        [&]() -> HRESULT
        {
            ImplicitSurfaces made = createImplicitSurfaces(present);
            // The window before the old surfaces go, so that one that cannot be
            // presented to fails the Reset with the device as it was.
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
            backBuffer_ = std::move(made.backBuffer);
            autoDepth_ = std::move(made.depth);
            present_ = present;
            resetState();
            windowLost_ = false;
            cooperative_ = D3D_OK;
            *pPresentationParameters = present;
            return D3D_OK;
        });
}

STDMETHODIMP Device::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                                   IDirect3DSurface9** ppBackBuffer)
{
    if (!ppBackBuffer)
        return refuse(__func__, Rule::NullArgument);
    *ppBackBuffer = nullptr;
    if (iSwapChain != 0)
        return refuse(__func__, Rule::SwapChainIndex, iSwapChain);
    if (iBackBuffer >= present_.BackBufferCount)
        return refuse(__func__, Rule::BackBufferIndex, iBackBuffer, present_.BackBufferCount);
    if (Type != D3DBACKBUFFER_TYPE_MONO)
        return refuse(__func__, Rule::BackBufferType, Type);
    backBuffer_->AddRef();
    *ppBackBuffer = backBuffer_.get();
    return D3D_OK;
}

STDMETHODIMP Device::BeginScene()
{
    if (inScene_)
        return refuse(__func__, Rule::BeginSceneInScene);
    inScene_ = true;
    return D3D_OK;
}

STDMETHODIMP Device::EndScene()
{
    if (!inScene_)
        return refuse(__func__, Rule::EndSceneOutsideScene);
    inScene_ = false;
    return guarded(
        [&]() -> HRESULT
        {
            renderer_->flush();
            return D3D_OK;
        });
}

} // namespace swk::d3d9
