// A generator whose grid has a chosen size on the recording device.
#pragma once

#include <TestDevice.h>
#include <WaveGeneratorProbe.h>

#include <memory>

namespace normaltest
{

using Probe = CWaveGeneratorProbe;
using swk::test::TestDevice;

// A device with pixel shader 1.4 (shader grid vertices) or none (screen grid
// vertices) and a generator on it whose grid is W x H points: the map size is
// halved once or twice on these devices.
struct Grid
{
    Grid(bool shaderVertices, int W, int H)
    {
        device = swk::test::MakeDevice(shaderVertices ? D3DPS_VERSION(1, 4) : 0);
        const int scale = shaderVertices ? 2 : 4;
        generator = std::make_unique<CWaveGenerator>(device.get(), scale * W, scale * H);
    }

    CWaveGenerator& operator*() { return *generator; }
    int (&Layers())[2][128][128] { return Probe::Layers(*generator); }
    D3DXVECTOR3& Normal(int x, int y)
    {
        return Probe::GridNormals(*generator)[y * Probe::GridWidth(*generator) + x];
    }

    std::unique_ptr<TestDevice> device;
    std::unique_ptr<CWaveGenerator> generator;
};

} // namespace normaltest
