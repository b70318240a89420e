// A host's Direct3D 9 device over Vulkan standing for one device class, a
// generator on it, and checks of the maps the generator's last frame left.
#pragma once

#include "MapReference.h"
#include <Presentation.h>
#include <WaveGeneratorProbe.h>

#include <swk/Com.h>
#include <MapImage.h>

#include <d3d9.h>
#include <swk/DeviceOptions.h>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace integration
{

using swk::ComPtr;

struct DeviceClass
{
    const char* name;
    DWORD pixelShaderVersion;
    std::vector<SWK_REFUSED_FORMAT> refused;

    bool Refuses(D3DFORMAT format, DWORD usage) const;
    // Pixel shader 2.0 draws both maps per pixel; the others draw the normal
    // map from a grid, without pixel shaders through fixed-function colours.
    bool PerPixel() const { return pixelShaderVersion >= D3DPS_VERSION(2, 0); }
    bool FixedFunction() const { return pixelShaderVersion < D3DPS_VERSION(1, 1); }
};

class GeneratorTest : public ::testing::Test
{
protected:
    void SetUp() override;
    // Destroys the generator, then expects that nothing was reported and that
    // no reference handed out through the engine support library is left.
    void TearDown() override;

    void CreateDevice(const DeviceClass& deviceClass);
    // Power-of-two sizes keep every sample of the passes on a whole, half or
    // quarter texel, which the tolerances of the checks rely on.
    CWaveGenerator& CreateGenerator(int width, int height);
    void Animate(int frames);

    MapImage Read(IDirect3DTexture9* texture);
    // Checks both maps against the generator's layers, grid normals and
    // formats for the frame it drew last.
    void ExpectMapsOfLastFrame();

    DeviceClass class_;
    ComPtr<IDirect3D9> d3d_;
    ComPtr<IDirect3DDevice9> device_;
    ComPtr<ISwkDevice9> swk_;
    std::unique_ptr<CWaveGenerator> generator_;
    std::vector<std::string> reports_;

private:
    void ExpectPixelShaderMaps();
    void ExpectGridNormalMap();
};

// A generator test run once for each device class of a list.
class DeviceClassTest : public GeneratorTest, public ::testing::WithParamInterface<DeviceClass>
{
};

inline std::string ClassName(const ::testing::TestParamInfo<DeviceClass>& info)
{
    return info.param.name;
}

} // namespace integration
