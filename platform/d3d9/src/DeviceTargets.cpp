#include "Device.h"
#include "Surface.h"
#include "Texture.h"

namespace swk::d3d9
{
namespace
{

Surface* asSurface(IDirect3DSurface9* surface)
{
    return static_cast<Surface*>(surface);
}

} // namespace

STDMETHODIMP Device::GetRenderTargetData(IDirect3DSurface9* pRenderTarget,
                                         IDirect3DSurface9* pDestSurface)
{
    Surface* src = asSurface(pRenderTarget);
    Surface* dst = asSurface(pDestSurface);
    if (!src || !dst)
        return refuse(__func__, Rule::NullArgument);
    if (src == dst)
        return refuse(__func__, Rule::SameSurface);
    const D3DSURFACE_DESC& s = src->desc();
    const D3DSURFACE_DESC& d = dst->desc();
    if (!src->isRenderTarget() || !src->image())
        return refuse(__func__, Rule::NotRenderTarget);
    if (d.Pool != D3DPOOL_SYSTEMMEM || dst->locked())
        return refuse(__func__, Rule::ReadbackDestination);
    if (s.Format != d.Format || s.Width != d.Width || s.Height != d.Height)
        return refuse(__func__, Rule::ReadbackMismatch);
    if (!operational())
        return D3DERR_DEVICELOST;
    return guarded(
        [&]() -> HRESULT
        {
            renderer_->read(*src->image(), src->level(), src->format().bytesPerTexel, dst->bits(),
                            dst->pitch());
            return D3D_OK;
        });
}

STDMETHODIMP Device::ColorFill(IDirect3DSurface9* pSurface, const RECT* pRect, D3DCOLOR color)
{
    Surface* surface = asSurface(pSurface);
    if (!surface)
        return refuse(__func__, Rule::NullArgument);
    if (!surface->image() || surface->desc().Pool != D3DPOOL_DEFAULT || surface->isDepthStencil())
        return refuse(__func__, Rule::ColorFillSurface);
    const D3DSURFACE_DESC& desc = surface->desc();
    RECT rect{0, 0, LONG(desc.Width), LONG(desc.Height)};
    if (pRect)
    {
        if (pRect->left < 0 || pRect->top < 0 || pRect->right > LONG(desc.Width) ||
            pRect->bottom > LONG(desc.Height) || pRect->left >= pRect->right ||
            pRect->top >= pRect->bottom)
            return refuse(__func__, Rule::RectOutsideSurface, desc.Width, desc.Height);
        rect = *pRect;
    }
    if (!surface->isRenderTarget())
        return refuse(__func__, Rule::NotRenderTarget);
    if (!operational())
        return D3D_OK;
    return guarded(
        [&]() -> HRESULT
        {
            Surface* target = state_.renderTarget.get();
            Surface* depth = usableDepth();
            renderer_->setTargets(surface->image(), surface->level(), nullptr);
            vk::ClearValues values;
            values.color = true;
            values.colorValue = clearColor(surface->format(), color);
            const VkRect2D area{{rect.left, rect.top},
                                {UINT(rect.right - rect.left), UINT(rect.bottom - rect.top)}};
            renderer_->clear(&area, 1, values);
            renderer_->setTargets(target->image(), target->level(),
                                  depth ? depth->image() : nullptr);
            if (surface->texture())
                surface->texture()->rendered(surface->level());
            else
                surface->invalidateCpuCopy();
            return D3D_OK;
        });
}

STDMETHODIMP Device::SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget)
{
    if (RenderTargetIndex != 0)
        return refuse(__func__, Rule::RenderTargetIndex, RenderTargetIndex, 1);
    if (!pRenderTarget)
        return refuse(__func__, Rule::NullArgument);
    Surface* surface = asSurface(pRenderTarget);
    if (!surface->isRenderTarget() || !surface->image())
        return refuse(__func__, Rule::NotRenderTarget);
    state_.renderTarget.reset(surface);
    // Direct3D 9 resets the viewport and scissor to the new target.
    const D3DSURFACE_DESC& desc = surface->desc();
    state_.viewport = {0, 0, desc.Width, desc.Height, 0.0f, 1.0f};
    state_.scissor = {0, 0, LONG(desc.Width), LONG(desc.Height)};
    return D3D_OK;
}

STDMETHODIMP Device::GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget)
{
    if (!ppRenderTarget)
        return refuse(__func__, Rule::NullArgument);
    *ppRenderTarget = nullptr;
    if (RenderTargetIndex != 0)
        return refuse(__func__, Rule::RenderTargetIndex, RenderTargetIndex, 1);
    Surface* surface = state_.renderTarget.get();
    if (!surface)
        return D3DERR_NOTFOUND;
    surface->AddRef();
    *ppRenderTarget = surface;
    return D3D_OK;
}

STDMETHODIMP Device::SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil)
{
    Surface* surface = asSurface(pNewZStencil);
    if (surface && (!surface->isDepthStencil() || !surface->image()))
        return refuse(__func__, Rule::NotDepthStencil);
    state_.depthStencil.reset(surface);
    return D3D_OK;
}

STDMETHODIMP Device::GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface)
{
    if (!ppZStencilSurface)
        return refuse(__func__, Rule::NullArgument);
    *ppZStencilSurface = nullptr;
    Surface* surface = state_.depthStencil.get();
    if (!surface)
        return D3DERR_NOTFOUND;
    surface->AddRef();
    *ppZStencilSurface = surface;
    return D3D_OK;
}

STDMETHODIMP Device::SetViewport(const D3DVIEWPORT9* pViewport)
{
    if (!pViewport)
        return refuse(__func__, Rule::NullArgument);
    const D3DSURFACE_DESC& target = state_.renderTarget->desc();
    const D3DVIEWPORT9& v = *pViewport;
    if (v.Width == 0 || v.Height == 0)
        return refuse(__func__, Rule::ViewportEmpty, v.Width, v.Height);
    if (uint64_t(v.X) + v.Width > target.Width || uint64_t(v.Y) + v.Height > target.Height)
        return refuse(__func__, Rule::ViewportOutsideTarget, target.Width, target.Height);
    if (!(v.MinZ >= 0.0f && v.MinZ <= 1.0f) || !(v.MaxZ >= 0.0f && v.MaxZ <= 1.0f))
        return refuse(__func__, Rule::ViewportDepthRange);
    state_.viewport = v;
    return D3D_OK;
}

STDMETHODIMP Device::GetViewport(D3DVIEWPORT9* pViewport)
{
    if (!pViewport)
        return refuse(__func__, Rule::NullArgument);
    *pViewport = state_.viewport;
    return D3D_OK;
}

STDMETHODIMP Device::SetScissorRect(const RECT* pRect)
{
    if (!pRect)
        return refuse(__func__, Rule::NullArgument);
    if (pRect->left > pRect->right || pRect->top > pRect->bottom)
        return refuse(__func__, Rule::ScissorInverted);
    state_.scissor = *pRect;
    return D3D_OK;
}

STDMETHODIMP Device::GetScissorRect(RECT* pRect)
{
    if (!pRect)
        return refuse(__func__, Rule::NullArgument);
    *pRect = state_.scissor;
    return D3D_OK;
}

Surface* Device::usableDepth() const
{
    Surface* depth = state_.depthStencil.get();
    const Surface* target = state_.renderTarget.get();
    if (!depth || !target || depth->desc().Width < target->desc().Width ||
        depth->desc().Height < target->desc().Height)
        return nullptr;
    return depth;
}

} // namespace swk::d3d9
