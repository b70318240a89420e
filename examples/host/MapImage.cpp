#include "MapImage.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{

float HalfToFloat(uint16_t h)
{
    const int exponent = (h >> 10) & 31;
    const int mantissa = h & 1023;
    const float sign = (h & 0x8000) ? -1.0f : 1.0f;
    if (exponent == 0)
        return sign * std::ldexp(static_cast<float>(mantissa), -24);
    if (exponent == 31)
        return mantissa ? NAN : sign * INFINITY;
    return sign * std::ldexp(static_cast<float>(mantissa + 1024), exponent - 25);
}

bool Decode(D3DFORMAT format, const unsigned char* texel, float* out)
{
    switch (format)
    {
    case D3DFMT_A16B16G16R16:
        for (int c = 0; c < 4; ++c)
        {
            uint16_t v;
            std::memcpy(&v, texel + 2 * c, 2);
            out[c] = v / 65535.0f;
        }
        return true;
    case D3DFMT_A16B16G16R16F:
        for (int c = 0; c < 4; ++c)
        {
            uint16_t v;
            std::memcpy(&v, texel + 2 * c, 2);
            out[c] = HalfToFloat(v);
        }
        return true;
    case D3DFMT_A32B32G32R32F:
        std::memcpy(out, texel, 16);
        return true;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        out[0] = texel[2] / 255.0f;
        out[1] = texel[1] / 255.0f;
        out[2] = texel[0] / 255.0f;
        out[3] = format == D3DFMT_A8R8G8B8 ? texel[3] / 255.0f : 1.0f;
        return true;
    default:
        return false;
    }
}

int BytesPerTexel(D3DFORMAT format)
{
    switch (format)
    {
    case D3DFMT_A16B16G16R16:
    case D3DFMT_A16B16G16R16F:
        return 8;
    case D3DFMT_A32B32G32R32F:
        return 16;
    default:
        return 4;
    }
}

} // namespace

bool ReadBack(IDirect3DDevice9* device, IDirect3DTexture9* texture, MapImage* image,
              std::string* why)
{
    if (!texture)
    {
        *why = "the map does not exist";
        return false;
    }
    D3DSURFACE_DESC desc;
    IDirect3DSurface9* level = nullptr;
    IDirect3DSurface9* copy = nullptr;
    bool ok = false;
    if (FAILED(texture->GetLevelDesc(0, &desc)) || FAILED(texture->GetSurfaceLevel(0, &level)))
        *why = "the map's top level cannot be reached";
    else if (FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                        D3DPOOL_SYSTEMMEM, &copy, nullptr)))
        *why = "no system-memory surface for the read-back";
    else if (FAILED(device->GetRenderTargetData(level, copy)))
        *why = "GetRenderTargetData failed";
    else
    {
        D3DLOCKED_RECT locked;
        if (FAILED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
            *why = "the read-back surface cannot be locked";
        else
        {
            image->width = desc.Width;
            image->height = desc.Height;
            image->format = desc.Format;
            image->rgba.assign(static_cast<size_t>(desc.Width) * desc.Height * 4, 0.0f);
            image->texels.clear();
            const size_t rowBytes = static_cast<size_t>(desc.Width) * BytesPerTexel(desc.Format);
            ok = true;
            for (UINT y = 0; y < desc.Height && ok; ++y)
            {
                const unsigned char* row = static_cast<const unsigned char*>(locked.pBits) +
                                           static_cast<size_t>(y) * locked.Pitch;
                image->texels.insert(image->texels.end(), row, row + rowBytes);
                for (UINT x = 0; x < desc.Width && ok; ++x)
                    ok = Decode(desc.Format, row + x * BytesPerTexel(desc.Format),
                                &image->rgba[(static_cast<size_t>(y) * desc.Width + x) * 4]);
            }
            if (!ok)
                *why = "the map's format is not one this host decodes";
            copy->UnlockRect();
        }
    }
    if (copy)
        copy->Release();
    if (level)
        level->Release();
    return ok;
}

namespace
{

// Writes through a temporary file renamed into place; false leaves nothing behind.
template <typename Body> bool WriteAtomically(const std::string& path, std::string* why, Body body)
{
    const std::string temporary = path + ".partial";
    FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f)
    {
        *why = "cannot create " + temporary;
        return false;
    }
    bool ok = body(f);
    ok = std::fclose(f) == 0 && ok;
    // Windows' rename does not replace an existing file.
    std::remove(path.c_str());
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0)
    {
        std::remove(temporary.c_str());
        *why = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace

bool WritePpm(const MapImage& image, const std::string& path, std::string* why)
{
    return WriteAtomically(
        path, why,
        [&](FILE* f)
        {
            bool ok = std::fprintf(f, "P6\n%u %u\n255\n", image.width, image.height) > 0;
            for (size_t i = 0; ok && i < image.rgba.size(); i += 4)
            {
                unsigned char rgb[3];
                for (int c = 0; c < 3; ++c)
                {
                    const float v = image.rgba[i + c];
                    rgb[c] = static_cast<unsigned char>(v <= 0.0f   ? 0
                                                        : v >= 1.0f ? 255
                                                                    : v * 255.0f + 0.5f);
                }
                ok = std::fwrite(rgb, 1, 3, f) == 3;
            }
            return ok;
        });
}

bool WriteTexels(const MapImage& image, const std::string& path, std::string* why)
{
    return WriteAtomically(path, why,
                           [&](FILE* f) {
                               return std::fwrite(image.texels.data(), 1, image.texels.size(), f) ==
                                      image.texels.size();
                           });
}
