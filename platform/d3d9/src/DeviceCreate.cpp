#include "Buffers.h"
#include "Device.h"
#include "Direct3D9.h"
#include "Shaders.h"
#include "Surface.h"
#include "Texture.h"

#include <algorithm>

namespace swk::d3d9
{
namespace
{

constexpr DWORD kTextureUsages = D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC | D3DUSAGE_AUTOGENMIPMAP |
                                 D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING;
constexpr DWORD kBufferUsages = D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC |
                                D3DUSAGE_SOFTWAREPROCESSING | D3DUSAGE_DONOTCLIP | D3DUSAGE_POINTS;

bool validPool(D3DPOOL pool)
{
    return pool >= D3DPOOL_DEFAULT && pool <= D3DPOOL_SCRATCH;
}

} // namespace

HRESULT Device::checkSize(const char* entryPoint, UINT width, UINT height) const
{
    const UINT limit = maxSurfaceSize(*context_);
    if (width == 0 || height == 0)
        return refuse(entryPoint, Rule::ZeroSize, width, height);
    if (width > limit)
        return refuse(entryPoint, Rule::WidthAboveLimit, width, limit);
    if (height > limit)
        return refuse(entryPoint, Rule::HeightAboveLimit, height, limit);
    return D3D_OK;
}

// Render targets and depth-stencil surfaces share their argument rules; only
// the usage their format must support differs.
HRESULT Device::checkAttachment(const char* entryPoint, DWORD usage, UINT width, UINT height,
                                D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                DWORD multisampleQuality, IDirect3DSurface9** surface,
                                HANDLE* sharedHandle) const
{
    if (!surface)
        return refuse(entryPoint, Rule::NullArgument);
    *surface = nullptr;
    if (sharedHandle)
        return refuse(entryPoint, Rule::SharedHandle);
    if (const HRESULT size = checkSize(entryPoint, width, height); FAILED(size))
        return size;
    if (multiSample != D3DMULTISAMPLE_NONE || multisampleQuality != 0)
        return refuse(entryPoint, Rule::MultiSampling, multiSample, multisampleQuality);
    if (!findFormat(format))
        return refuse(entryPoint, Rule::UnknownFormat, format);
    if (checkFormat(*context_, emulation_, usage, D3DRTYPE_SURFACE, format) != D3D_OK)
        return refuse(entryPoint, Rule::FormatNotSupported, format, usage);
    return D3D_OK;
}

STDMETHODIMP Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                   D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                                   HANDLE* pSharedHandle)
{
    if (!ppTexture)
        return refuse(__func__, Rule::NullArgument);
    *ppTexture = nullptr;
    if (pSharedHandle)
        return refuse(__func__, Rule::SharedHandle);
    if (const HRESULT size = checkSize(__func__, Width, Height); FAILED(size))
        return size;
    if (!validPool(Pool))
        return refuse(__func__, Rule::UnknownPool, Pool);
    if (Usage & ~kTextureUsages)
        return refuse(__func__, Rule::UnknownUsage, Usage & ~kTextureUsages);
    const FormatInfo* format = findFormat(Format);
    if (!format)
        return refuse(__func__, Rule::UnknownFormat, Format);
    if (format->depth)
        return refuse(__func__, Rule::DepthFormatNotAllowed, Format);
    if ((Usage & D3DUSAGE_RENDERTARGET) && Pool != D3DPOOL_DEFAULT)
        return refuse(__func__, Rule::RenderTargetOutsideDefaultPool, Pool);
    if ((Usage & D3DUSAGE_DYNAMIC) && Pool == D3DPOOL_MANAGED)
        return refuse(__func__, Rule::DynamicInManagedPool);
    const UINT fullChain = vk::fullMipCount(Width, Height);
    if (Levels > fullChain)
        return refuse(__func__, Rule::TooManyLevels, Levels, fullChain);
    if ((Usage & D3DUSAGE_AUTOGENMIPMAP) && Levels > 1)
        return refuse(__func__, Rule::AutoGenWithLevels, Levels);
    if (Pool == D3DPOOL_DEFAULT || Pool == D3DPOOL_MANAGED)
    {
        const HRESULT supported =
            checkFormat(*context_, emulation_, Usage, D3DRTYPE_TEXTURE, Format);
        if (FAILED(supported))
            return refuse(__func__, Rule::FormatNotSupported, Format, Usage);
        if (supported == D3DOK_NOAUTOGEN)
            Usage &= ~D3DUSAGE_AUTOGENMIPMAP;
    }
    else
        Usage &= ~D3DUSAGE_AUTOGENMIPMAP;
    const UINT levels = (Levels == 0 || (Usage & D3DUSAGE_AUTOGENMIPMAP)) ? fullChain : Levels;
    return guarded(
        [&]() -> HRESULT
        {
            *ppTexture = new Texture(*this, Width, Height, levels, Usage, *format, Pool);
            return D3D_OK;
        });
}

// Vertex and index buffers share their pool and usage rules.
HRESULT Device::checkBuffer(const char* entryPoint, UINT length, DWORD usage, D3DPOOL pool,
                            void* buffer, HANDLE* sharedHandle) const
{
    if (!buffer)
        return refuse(entryPoint, Rule::NullArgument);
    if (sharedHandle)
        return refuse(entryPoint, Rule::SharedHandle);
    if (length == 0)
        return refuse(entryPoint, Rule::ZeroLength);
    if (!validPool(pool))
        return refuse(entryPoint, Rule::UnknownPool, pool);
    if (pool == D3DPOOL_SCRATCH)
        return refuse(entryPoint, Rule::PoolNotAllowed, pool);
    if (usage & ~kBufferUsages)
        return refuse(entryPoint, Rule::UnknownUsage, usage & ~kBufferUsages);
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED)
        return refuse(entryPoint, Rule::DynamicInManagedPool);
    return D3D_OK;
}

STDMETHODIMP Device::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                        IDirect3DVertexBuffer9** ppVertexBuffer,
                                        HANDLE* pSharedHandle)
{
    if (ppVertexBuffer)
        *ppVertexBuffer = nullptr;
    if (const HRESULT hr =
            checkBuffer(__func__, Length, Usage, Pool, ppVertexBuffer, pSharedHandle);
        FAILED(hr))
        return hr;
    VertexLayout layout;
    if (FVF && !layoutFromFvf(FVF, &layout))
        return refuse(__func__, Rule::InvalidFvf, FVF);
    if (FVF && Length < layout.stride)
        return refuse(__func__, Rule::LengthBelowFvfStride, Length, layout.stride);
    const D3DVERTEXBUFFER_DESC desc{
        D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, Usage, Pool, Length, FVF};
    return guarded(
        [&]() -> HRESULT
        {
            *ppVertexBuffer = new VertexBuffer(*this, desc);
            return D3D_OK;
        });
}

STDMETHODIMP Device::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                       IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle)
{
    if (ppIndexBuffer)
        *ppIndexBuffer = nullptr;
    if (const HRESULT hr = checkBuffer(__func__, Length, Usage, Pool, ppIndexBuffer, pSharedHandle);
        FAILED(hr))
        return hr;
    if (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32)
        return refuse(__func__, Rule::IndexFormat, Format);
    const D3DINDEXBUFFER_DESC desc{Format, D3DRTYPE_INDEXBUFFER, Usage, Pool, Length};
    return guarded(
        [&]() -> HRESULT
        {
            *ppIndexBuffer = new IndexBuffer(*this, desc);
            return D3D_OK;
        });
}

STDMETHODIMP Device::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                        D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                                        BOOL Lockable, IDirect3DSurface9** ppSurface,
                                        HANDLE* pSharedHandle)
{
    if (const HRESULT hr =
            checkAttachment(__func__, D3DUSAGE_RENDERTARGET, Width, Height, Format, MultiSample,
                            MultisampleQuality, ppSurface, pSharedHandle);
        hr != D3D_OK)
        return hr;
    return guarded(
        [&]() -> HRESULT
        {
            *ppSurface =
                newSurface(Lifetime::Owner::Self, Width, Height, Format, D3DUSAGE_RENDERTARGET,
                           D3DPOOL_DEFAULT,
                           VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT |
                               VK_IMAGE_USAGE_TRANSFER_DST_BIT,
                           Lockable != FALSE, "render target")
                    .release();
            return D3D_OK;
        });
}

STDMETHODIMP Device::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                               D3DMULTISAMPLE_TYPE MultiSample,
                                               DWORD MultisampleQuality, BOOL,
                                               IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle)
{
    if (const HRESULT hr =
            checkAttachment(__func__, D3DUSAGE_DEPTHSTENCIL, Width, Height, Format, MultiSample,
                            MultisampleQuality, ppSurface, pSharedHandle);
        hr != D3D_OK)
        return hr;
    return guarded(
        [&]() -> HRESULT
        {
            *ppSurface =
                newSurface(Lifetime::Owner::Self, Width, Height, Format, D3DUSAGE_DEPTHSTENCIL,
                           D3DPOOL_DEFAULT, VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT, false,
                           "depth-stencil surface")
                    .release();
            return D3D_OK;
        });
}

STDMETHODIMP Device::CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                 D3DPOOL Pool, IDirect3DSurface9** ppSurface,
                                                 HANDLE* pSharedHandle)
{
    if (!ppSurface)
        return refuse(__func__, Rule::NullArgument);
    *ppSurface = nullptr;
    if (pSharedHandle)
        return refuse(__func__, Rule::SharedHandle);
    if (const HRESULT size = checkSize(__func__, Width, Height); FAILED(size))
        return size;
    if (!validPool(Pool))
        return refuse(__func__, Rule::UnknownPool, Pool);
    // Managed off-screen surfaces do not exist in Direct3D 9.
    if (Pool == D3DPOOL_MANAGED)
        return refuse(__func__, Rule::PoolNotAllowed, Pool);
    const FormatInfo* format = findFormat(Format);
    if (!format)
        return refuse(__func__, Rule::UnknownFormat, Format);
    if (format->depth)
        return refuse(__func__, Rule::DepthFormatNotAllowed, Format);
    return guarded(
        [&]() -> HRESULT
        {
            // Default-pool plain surfaces live on the GPU and lock through a CPU copy.
            const VkImageUsageFlags image =
                Pool == D3DPOOL_DEFAULT
                    ? VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT
                    : 0;
            *ppSurface = newSurface(Lifetime::Owner::Self, Width, Height, Format, 0, Pool, image,
                                    true, "off-screen plain surface")
                             .release();
            return D3D_OK;
        });
}

STDMETHODIMP Device::CreateVertexShader(const DWORD* pFunction, IDirect3DVertexShader9** ppShader)
{
    if (!ppShader)
        return refuse(__func__, Rule::NullArgument);
    *ppShader = nullptr;
    ParsedBlob blob;
    if (!parseShaderBlob(pFunction, ShaderBlobStage::Vertex, &blob))
        return refuse(__func__, Rule::BadShaderBlob);
    return guarded(
        [&]() -> HRESULT
        {
            auto module = renderer_->createShader(blob.spirv, blob.spirvWords, "vertex shader");
            *ppShader = new VertexShader(*this, std::move(blob), std::move(module));
            return D3D_OK;
        });
}

STDMETHODIMP Device::CreatePixelShader(const DWORD* pFunction, IDirect3DPixelShader9** ppShader)
{
    if (!ppShader)
        return refuse(__func__, Rule::NullArgument);
    *ppShader = nullptr;
    if (emulation_.pixelShaderVersion == 0)
        return refuse(__func__, Rule::PixelShadersUnsupported);
    ParsedBlob blob;
    if (!parseShaderBlob(pFunction, ShaderBlobStage::Pixel, &blob))
        return refuse(__func__, Rule::BadShaderBlob);
    return guarded(
        [&]() -> HRESULT
        {
            auto module = renderer_->createShader(blob.spirv, blob.spirvWords, "pixel shader");
            *ppShader = new PixelShader(*this, std::move(blob), std::move(module));
            return D3D_OK;
        });
}

std::unique_ptr<Surface> Device::newSurface(Lifetime::Owner owner, UINT width, UINT height,
                                            D3DFORMAT format, DWORD usage, D3DPOOL pool,
                                            VkImageUsageFlags imageUsage, bool cpuCopy,
                                            const char* name)
{
    D3DSURFACE_DESC desc{};
    desc.Format = format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = usage;
    desc.Pool = pool;
    desc.Width = width;
    desc.Height = height;
    Surface::Storage storage;
    if (imageUsage)
    {
        vk::ImageDesc image;
        image.width = width;
        image.height = height;
        image.format = chooseVkFormat(*context_, format, usage);
        image.usage = imageUsage;
        image.name = name;
        storage.image = renderer_->createImage(image);
        storage.ownsImage = true;
    }
    storage.cpuCopy = cpuCopy;
    return std::make_unique<Surface>(*this, owner, nullptr, nullptr, desc, *findFormat(format),
                                     std::move(storage));
}

} // namespace swk::d3d9
