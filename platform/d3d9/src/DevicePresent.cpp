// Presentation: the window's swapchain, Present, the front buffer read-back and
// the device loss that a closed or minimised window causes.
#include "Device.h"
#include "Surface.h"

#include <cstring>

namespace swk::d3d9
{

HWND Device::windowFor(const D3DPRESENT_PARAMETERS& present) const
{
    return present.hDeviceWindow ? present.hDeviceWindow : creation_.hFocusWindow;
}

void Device::attachWindow(HWND window, const D3DPRESENT_PARAMETERS& present)
{
    const bool immediate = present.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE;
    if (presenter_ && window_ && window_->handle() == window && window_->exists() &&
        immediate == immediate_)
        return; // the swapchain follows the window's size by itself
    // A window has one swapchain at a time: the old one goes first.
    presenter_.reset();
    if (!window_ || window_->handle() != window || !window_->exists())
        window_ = std::make_unique<Window>(window);
    immediate_ = immediate;
    presenter_ =
        std::make_unique<vk::Presenter>(context_, window_->createSurface(context_), immediate_);
}

STDMETHODIMP Device::Present(const RECT*, const RECT*, HWND, const RGNDATA*)
{
    if (cooperative_ != D3D_OK)
        return D3DERR_DEVICELOST;
    return guarded(
        [&]() -> HRESULT
        {
            if (!presenter_)
            {
                renderer_->flush();
                return D3D_OK;
            }
            vk::PresentResult shown = vk::PresentResult::NoArea;
            if (window_->hasArea())
                shown = renderer_->present(*presenter_, *backBuffer_->image());
            else
                renderer_->flush();
            if (shown == vk::PresentResult::Shown)
                return D3D_OK;
            windowLost_ = true;
            cooperative_ = D3DERR_DEVICELOST;
            return D3DERR_DEVICELOST;
        });
}

STDMETHODIMP Device::GetFrontBufferData(UINT iSwapChain, IDirect3DSurface9* pDestSurface)
{
    auto* dest = static_cast<Surface*>(pDestSurface);
    if (iSwapChain != 0 || !dest || &dest->device() != this)
        return D3DERR_INVALIDCALL;
    const D3DSURFACE_DESC& desc = dest->desc();
    if (desc.Pool != D3DPOOL_SYSTEMMEM || desc.Format != D3DFMT_A8R8G8B8 || dest->locked())
        return D3DERR_INVALIDCALL;
    if (!presenter_)
        return D3DERR_INVALIDCALL;
    if (cooperative_ != D3D_OK)
        return D3DERR_DEVICELOST;
    return guarded(
        [&]() -> HRESULT
        {
            std::vector<uint8_t> bgra;
            uint32_t width = 0, height = 0;
            if (!presenter_->readFront(renderer_->stream(), &bgra, &width, &height))
                return D3DERR_INVALIDCALL;
            // The surface must match the window's pixels, as it must match the
            // screen on Windows.
            if (desc.Width != width || desc.Height != height)
                return D3DERR_INVALIDCALL;
            for (uint32_t y = 0; y < height; ++y)
            {
                uint8_t* row = dest->bits() + size_t(y) * dest->pitch();
                std::memcpy(row, bgra.data() + size_t(y) * width * 4, size_t(width) * 4);
                for (uint32_t x = 0; x < width; ++x)
                    row[4 * x + 3] = 0xff;
            }
            return D3D_OK;
        });
}

} // namespace swk::d3d9
