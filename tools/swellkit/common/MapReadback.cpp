#include "MapReadback.h"

#include "ToolError.h"

#include <Imath/half.h>

#include <cstring>

namespace swk::tools
{

namespace
{

// Decodes channel c (0 red, 1 green, 2 blue) of the texel at p.
template <D3DFORMAT Format> float Channel(const unsigned char* p, int c)
{
    switch (Format)
    {
    case D3DFMT_A16B16G16R16:
    {
        uint16_t v;
        std::memcpy(&v, p + 2 * c, 2);
        return v / 65535.0f;
    }
    case D3DFMT_A16B16G16R16F:
    {
        half v;
        std::memcpy(&v, p + 2 * c, 2);
        return float(v);
    }
    case D3DFMT_A32B32G32R32F:
    {
        float v;
        std::memcpy(&v, p + 4 * c, 4);
        return v;
    }
    default: // A8R8G8B8 and X8R8G8B8 keep blue first
        return p[2 - c] / 255.0f;
    }
}

size_t BytesPerTexel(D3DFORMAT format)
{
    switch (format)
    {
    case D3DFMT_A16B16G16R16:
    case D3DFMT_A16B16G16R16F:
        return 8;
    case D3DFMT_A32B32G32R32F:
        return 16;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        return 4;
    default:
        return 0;
    }
}

// The format is a template argument so that the per-sample switch folds away.
template <D3DFORMAT Format>
void DecodeRows(const unsigned char* bits, INT pitch, const D3DSURFACE_DESC& desc, int channels,
                float* value)
{
    const size_t texelBytes = BytesPerTexel(Format);
    for (UINT y = 0; y < desc.Height; ++y)
    {
        const unsigned char* texel = bits + size_t(y) * size_t(pitch);
        for (UINT x = 0; x < desc.Width; ++x, texel += texelBytes)
            for (int c = 0; c < channels; ++c)
                *value++ = Channel<Format>(texel, c);
    }
}

} // namespace

const char* FormatName(D3DFORMAT format)
{
    switch (format)
    {
    case D3DFMT_A16B16G16R16:
        return "A16B16G16R16";
    case D3DFMT_A16B16G16R16F:
        return "A16B16G16R16F";
    case D3DFMT_A32B32G32R32F:
        return "A32B32G32R32F";
    case D3DFMT_A8R8G8B8:
        return "A8R8G8B8";
    case D3DFMT_X8R8G8B8:
        return "X8R8G8B8";
    default:
        return "unknown";
    }
}

MapReadback::MapReadback(IDirect3DDevice9* device, IDirect3DTexture9* map) : m_pDevice(device)
{
    IDirect3DSurface9* copy = nullptr;
    if (FAILED(map->GetLevelDesc(0, &m_desc)))
        throw ToolError("the map's top level cannot be reached");
    if (BytesPerTexel(m_desc.Format) == 0)
        throw ToolError(std::string("the map's format ") + std::to_string(m_desc.Format) +
                        " is not one the tool decodes");
    if (FAILED(device->CreateOffscreenPlainSurface(m_desc.Width, m_desc.Height, m_desc.Format,
                                                   D3DPOOL_SYSTEMMEM, &copy, nullptr)))
        throw ToolError("no system-memory surface for reading the maps back");
    m_pCopy.reset(copy);
}

void MapReadback::read(IDirect3DTexture9* map, int channels, std::vector<float>* out)
{
    IDirect3DSurface9* level = nullptr;
    if (FAILED(map->GetSurfaceLevel(0, &level)))
        throw ToolError("the map's top level cannot be reached");
    ComPtr<IDirect3DSurface9> top(level);
    if (FAILED(m_pDevice->GetRenderTargetData(level, m_pCopy.get())))
        throw ToolError("reading the map back failed (GetRenderTargetData)");
    D3DLOCKED_RECT locked;
    if (FAILED(m_pCopy->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        throw ToolError("the read-back surface cannot be locked");
    out->resize(size_t(m_desc.Width) * m_desc.Height * size_t(channels));
    const unsigned char* bits = static_cast<const unsigned char*>(locked.pBits);
    if (m_desc.Format == D3DFMT_A16B16G16R16)
        DecodeRows<D3DFMT_A16B16G16R16>(bits, locked.Pitch, m_desc, channels, out->data());
    else if (m_desc.Format == D3DFMT_A16B16G16R16F)
        DecodeRows<D3DFMT_A16B16G16R16F>(bits, locked.Pitch, m_desc, channels, out->data());
    else if (m_desc.Format == D3DFMT_A32B32G32R32F)
        DecodeRows<D3DFMT_A32B32G32R32F>(bits, locked.Pitch, m_desc, channels, out->data());
    else
        DecodeRows<D3DFMT_A8R8G8B8>(bits, locked.Pitch, m_desc, channels, out->data());
    m_pCopy->UnlockRect();
}

} // namespace swk::tools
