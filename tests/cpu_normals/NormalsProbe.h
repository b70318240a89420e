// White-box access to the CPU normal stages, and a generator whose grid has a
// chosen size on the recording device.
#pragma once

#include <WaveGenerator.h>
#include <TestDevice.h>

#include <memory>

struct CWaveGeneratorProbe
{
    static void ComputeGridNormals(CWaveGenerator& g) { g.ComputeGridNormals(); }
    static void UploadGridNormals(CWaveGenerator& g) { g.UploadGridNormals(); }

    static int (&Layers(CWaveGenerator& g))[2][128][128] { return g.m_anLayer; }
    static D3DXVECTOR3* GridNormals(CWaveGenerator& g) { return g.m_pGridNormals; }
    static IDirect3DVertexBuffer9* GridVB(CWaveGenerator& g) { return g.m_pGridVB; }
    static int GridWidth(CWaveGenerator& g) { return g.m_nGridWidth; }
    static int GridHeight(CWaveGenerator& g) { return g.m_nGridHeight; }
};

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
        TestDevice::Options options;
        options.pixelShaderVersion = shaderVertices ? D3DPS_VERSION(1, 4) : 0;
        device = std::make_unique<TestDevice>(options);
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
