#include "Emulation.h"

#include "swk/vk/Debug.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdlib>
#include <sstream>

namespace swk::d3d9
{
namespace
{

struct NamedFormat
{
    const char* name;
    D3DFORMAT format;
};

const NamedFormat kFormatNames[] = {
    {"A8R8G8B8", D3DFMT_A8R8G8B8},
    {"X8R8G8B8", D3DFMT_X8R8G8B8},
    {"A8B8G8R8", D3DFMT_A8B8G8R8},
    {"X8B8G8R8", D3DFMT_X8B8G8R8},
    {"R5G6B5", D3DFMT_R5G6B5},
    {"A1R5G5B5", D3DFMT_A1R5G5B5},
    {"X1R5G5B5", D3DFMT_X1R5G5B5},
    {"A2B10G10R10", D3DFMT_A2B10G10R10},
    {"A2R10G10B10", D3DFMT_A2R10G10B10},
    {"G16R16", D3DFMT_G16R16},
    {"A16B16G16R16", D3DFMT_A16B16G16R16},
    {"A8", D3DFMT_A8},
    {"L8", D3DFMT_L8},
    {"A8L8", D3DFMT_A8L8},
    {"L16", D3DFMT_L16},
    {"R16F", D3DFMT_R16F},
    {"G16R16F", D3DFMT_G16R16F},
    {"A16B16G16R16F", D3DFMT_A16B16G16R16F},
    {"R32F", D3DFMT_R32F},
    {"G32R32F", D3DFMT_G32R32F},
    {"A32B32G32R32F", D3DFMT_A32B32G32R32F},
    {"D16", D3DFMT_D16},
    {"D24S8", D3DFMT_D24S8},
    {"D24X8", D3DFMT_D24X8},
    {"D32", D3DFMT_D32},
};

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

std::string trim(const std::string& s)
{
    const auto begin = s.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return {};
    const auto end = s.find_last_not_of(" \t");
    return s.substr(begin, end - begin + 1);
}

bool parseUsage(const std::string& text, DWORD* usage)
{
    const std::string u = upper(text);
    if (u == "RENDERTARGET")
        *usage = D3DUSAGE_RENDERTARGET;
    else if (u == "DYNAMIC")
        *usage = D3DUSAGE_DYNAMIC;
    else if (u == "AUTOGENMIPMAP")
        *usage = D3DUSAGE_AUTOGENMIPMAP;
    else if (u == "DEPTHSTENCIL")
        *usage = D3DUSAGE_DEPTHSTENCIL;
    else if (u == "ANY")
        *usage = 0;
    else
        return false;
    return true;
}

} // namespace

bool Emulation::refuses(D3DFORMAT format, DWORD usage) const
{
    for (const SWK_REFUSED_FORMAT& r : refused)
        if (r.Format == format && (r.Usage == 0 || (r.Usage & usage) != 0))
            return true;
    return false;
}

DWORD Emulation::vertexShaderVersion() const
{
    const DWORD major = D3DSHADER_VERSION_MAJOR(pixelShaderVersion);
    if (pixelShaderVersion == 0)
        return D3DVS_VERSION(1, 1);
    return major >= 3   ? D3DVS_VERSION(3, 0)
           : major == 2 ? D3DVS_VERSION(2, 0)
                        : D3DVS_VERSION(1, 1);
}

bool parsePixelShaderVersion(const std::string& text, DWORD* version)
{
    const std::string t = upper(trim(text));
    if (t == "NONE" || t == "0")
    {
        *version = 0;
        return true;
    }
    static const struct
    {
        const char* name;
        DWORD version;
    } kVersions[] = {{"3.0", D3DPS_VERSION(3, 0)}, {"2.0", D3DPS_VERSION(2, 0)},
                     {"1.4", D3DPS_VERSION(1, 4)}, {"1.3", D3DPS_VERSION(1, 3)},
                     {"1.2", D3DPS_VERSION(1, 2)}, {"1.1", D3DPS_VERSION(1, 1)},
                     {"1.0", D3DPS_VERSION(1, 0)}};
    for (const auto& v : kVersions)
        if (t == v.name)
        {
            *version = v.version;
            return true;
        }
    return false;
}

bool parseRefusedFormats(const std::string& text, std::vector<SWK_REFUSED_FORMAT>* refused)
{
    std::vector<SWK_REFUSED_FORMAT> result;
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ','))
    {
        item = trim(item);
        if (item.empty())
            continue;
        const auto colon = item.find(':');
        const std::string name = upper(trim(item.substr(0, colon)));
        DWORD usage = 0;
        if (colon != std::string::npos && !parseUsage(trim(item.substr(colon + 1)), &usage))
            return false;
        const auto* named = std::find_if(std::begin(kFormatNames), std::end(kFormatNames),
                                         [&](const NamedFormat& f) { return name == f.name; });
        if (named == std::end(kFormatNames))
            return false;
        result.push_back({named->format, usage});
    }
    *refused = std::move(result);
    return true;
}

Emulation makeEmulation(const SWK_DEVICE_OPTIONS* options)
{
    Emulation e;
    if (const char* ps = std::getenv("SWK_D3D9_PS_VERSION"))
        if (!parsePixelShaderVersion(ps, &e.pixelShaderVersion))
            vk::logError("SWK_D3D9_PS_VERSION='%s' is not a pixel shader version", ps);
    if (const char* formats = std::getenv("SWK_D3D9_REFUSE_FORMATS"))
        if (!parseRefusedFormats(formats, &e.refused))
            vk::logError("SWK_D3D9_REFUSE_FORMATS='%s' is not a list of FORMAT:usage", formats);

    const char* validation = std::getenv("SWK_D3D9_VALIDATION");
    bool messages = validation && *validation && *validation != '0';
    SWK_VALIDATION_CALLBACK callback = nullptr;
    void* userData = nullptr;

    if (options && options->Size >= offsetof(SWK_DEVICE_OPTIONS, Validation))
    {
        if (options->Flags & SWK_OPTION_PIXELSHADERVERSION)
            e.pixelShaderVersion = options->PixelShaderVersion;
        if (options->Flags & SWK_OPTION_REFUSEDFORMATS)
            e.refused.assign(options->pRefusedFormats,
                             options->pRefusedFormats +
                                 (options->pRefusedFormats ? options->RefusedFormatCount : 0));
        if ((options->Flags & SWK_OPTION_VULKANDEVICE) && options->VulkanDevice)
            e.vulkanDevice = options->VulkanDevice;
    }
    if (options && options->Size >= sizeof(SWK_DEVICE_OPTIONS) &&
        (options->Flags & SWK_OPTION_VALIDATION))
    {
        messages = options->Validation != FALSE;
        callback = options->pfnValidationMessage;
        userData = options->pValidationUserData;
    }
    e.validation = Validation(messages, callback, userData);
    return e;
}

} // namespace swk::d3d9
