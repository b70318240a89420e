// The device class a device reports: its pixel shader version and the format
// and usage pairs it refuses, from creation options or the environment.
#pragma once

#include "Validation.h"

#include <swk/DeviceOptions.h>

#include <string>
#include <vector>

namespace swk::d3d9
{

struct Emulation
{
    DWORD pixelShaderVersion = D3DPS_VERSION(3, 0);
    std::vector<SWK_REFUSED_FORMAT> refused;
    std::string vulkanDevice;
    Validation validation;

    // True when Format is refused for any of the usage bits (or when the pair
    // refuses every usage).
    bool refuses(D3DFORMAT format, DWORD usage) const;
    DWORD vertexShaderVersion() const;
};

// Environment first, then the options (which win where they set a member).
// Unparseable environment values are reported and ignored.
Emulation makeEmulation(const SWK_DEVICE_OPTIONS* options);

// Exposed for tests: parse the environment-style strings.
bool parsePixelShaderVersion(const std::string& text, DWORD* version);
bool parseRefusedFormats(const std::string& text, std::vector<SWK_REFUSED_FORMAT>* refused);

} // namespace swk::d3d9
