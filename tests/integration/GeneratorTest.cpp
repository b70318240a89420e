#include "GeneratorTest.h"

#include <Brantholm.h>
#include <swk/ModuleRegistry.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace integration
{

bool DeviceClass::Refuses(D3DFORMAT format, DWORD usage) const
{
    return std::any_of(refused.begin(), refused.end(),
                       [&](const SWK_REFUSED_FORMAT& r)
                       { return r.Format == format && (r.Usage == 0 || (r.Usage & usage)); });
}

void GeneratorTest::SetUp()
{
    // The module draws its noise tables from rand() and never seeds it: the
    // same water in every test, whatever ran before.
    std::srand(1);
    CD3DWatch::SetReportSink(
        [this](const char* file, int line, const char* message)
        { reports_.push_back(std::string(file) + "(" + std::to_string(line) + "): " + message); });
    swk::win32::SetMessageBoxSink(
        [this](HWND, const char* text, const char* caption, UINT)
        {
            reports_.push_back(std::string(caption ? caption : "") + ": " + (text ? text : ""));
            return IDOK;
        });
}

void GeneratorTest::TearDown()
{
    generator_.reset();
    EXPECT_EQ(CD3DWatch::GetWatchedCount(), 0u) << "references left behind by the generator";
    for (const std::string& report : reports_)
        ADD_FAILURE() << report;
    CD3DWatch::ResetWatch();
    CD3DWatch::SetReportSink(nullptr);
    swk::win32::SetMessageBoxSink(nullptr);
    swk_.reset();
    device_.reset();
    d3d_.reset();
}

void GeneratorTest::CreateDevice(const DeviceClass& deviceClass)
{
    class_ = deviceClass;
    SWK_DEVICE_OPTIONS options{};
    options.Size = sizeof options;
    options.Flags = SWK_OPTION_PIXELSHADERVERSION | SWK_OPTION_REFUSEDFORMATS;
    options.PixelShaderVersion = deviceClass.pixelShaderVersion;
    options.RefusedFormatCount = UINT(class_.refused.size());
    options.pRefusedFormats = class_.refused.data();
    d3d_ = ComPtr<IDirect3D9>::Adopt(SwkDirect3DCreate9(D3D_SDK_VERSION, &options));
    ASSERT_TRUE(d3d_) << "no Vulkan device for Direct3D 9";
    D3DPRESENT_PARAMETERS pp = swk::test::presentation(64, 64, D3DFMT_X8R8G8B8, true);
    ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, device_.out()),
              D3D_OK);
    ASSERT_EQ(device_->QueryInterface(IID_ISwkDevice9, reinterpret_cast<void**>(swk_.out())),
              D3D_OK);
}

CWaveGenerator& GeneratorTest::CreateGenerator(int width, int height)
{
    generator_ = std::make_unique<CWaveGenerator>(device_.get(), width, height);
    return *generator_;
}

void GeneratorTest::Animate(int frames)
{
    for (int i = 0; i < frames; ++i)
        generator_->Update(33);
}

MapImage GeneratorTest::Read(IDirect3DTexture9* texture)
{
    MapImage image;
    std::string why;
    EXPECT_TRUE(ReadBack(device_.get(), texture, &image, &why)) << why;
    return image;
}

void GeneratorTest::ExpectMapsOfLastFrame()
{
    if (class_.PerPixel())
        ExpectPixelShaderMaps();
    else
        ExpectGridNormalMap();
}

void GeneratorTest::ExpectPixelShaderMaps()
{
    const CWaveGenerator& g = *generator_;
    ASSERT_TRUE(g.GetHeightMap());
    ASSERT_TRUE(g.GetNormalMap());
    const MapImage heights = Read(g.GetHeightMap());
    const MapImage normals = Read(g.GetNormalMap());
    ASSERT_FALSE(HasFailure());
    const D3DFORMAT expectedFormat = class_.Refuses(D3DFMT_A16B16G16R16, D3DUSAGE_RENDERTARGET)
                                         ? D3DFMT_A8R8G8B8
                                         : D3DFMT_A16B16G16R16;
    EXPECT_EQ(heights.format, expectedFormat);
    EXPECT_EQ(normals.format, expectedFormat);
    const bool eightBit = CWaveGeneratorProbe::EightBitNoise(g);
    EXPECT_EQ(eightBit, class_.Refuses(D3DFMT_L16, D3DUSAGE_DYNAMIC));

    const auto& layers = CWaveGeneratorProbe::Layers(g);
    const Channel noise0 = NoiseTexture(layers[0], eightBit);
    const Channel noise1 = NoiseTexture(layers[1], eightBit);
    const int W = int(heights.width), H = int(heights.height);
    const Worst height = Compare(heights, 0, W, H, false,
                                 [&](int x, int y)
                                 {
                                     const double h = ExpectedHeight(noise0, noise1, x, y, W, H);
                                     return Colour{h, h, h};
                                 });
    const Channel red = RedChannel(heights);
    const Worst normal = Compare(normals, 0, W, H, true,
                                 [&](int x, int y) { return ExpectedSurfaceNormal(red, x, y); });
    // With power-of-two map sizes every sample falls on a whole, half or quarter
    // texel, where eight bits of sub-texel weight are exact. With L16 noise what
    // is left is the rounding of the stored height, half a step of the map
    // format. Lavapipe filters L8 in 8-bit fixed point and rounds after each of
    // a sample's two lerps, by up to half of 1/255: 2/255 for the two samples.
    const double heightTolerance = FormatStep(heights.format) + (eightBit ? 2.0 / 255 : 0.0);
    EXPECT_LE(height.error, heightTolerance) << "height map, worst " << height;
    // The normal pass samples the very heights read back, with exact weights;
    // the shader's single-precision arithmetic and the rounding of the stored
    // colour stay within two steps of the map format.
    EXPECT_LE(normal.error, 2 * FormatStep(normals.format)) << "normal map, worst " << normal;
}

void GeneratorTest::ExpectGridNormalMap()
{
    const CWaveGenerator& g = *generator_;
    EXPECT_FALSE(g.GetHeightMap());
    ASSERT_TRUE(g.GetNormalMap());
    const MapImage normals = Read(g.GetNormalMap());
    ASSERT_FALSE(HasFailure());
    const int W = CWaveGeneratorProbe::GridWidth(g), H = CWaveGeneratorProbe::GridHeight(g);
    ASSERT_EQ(int(normals.width), W);
    ASSERT_EQ(int(normals.height), H);
    // The texels of the last column but one are drawn by triangles that reach
    // into the last column, whose vertex normals no frame writes: the buffer's
    // fill puts the flat normal there, which the grid layout suite checks.
    const int columns = class_.FixedFunction() ? W - 1 : W - 2;
    const D3DXVECTOR3* grid = CWaveGeneratorProbe::GridNormals(g);
    const Worst worst =
        Compare(normals, 0, columns, H - 1, true,
                [&](int x, int y)
                {
                    const D3DXVECTOR3& n = grid[y * W + x];
                    return class_.FixedFunction() ? PackedColour(n) : ShaderColour(n);
                });
    // A grid point lies on its texel's centre, where the interpolated colour is
    // the vertex's own up to single-precision barycentrics; with the rounding of
    // the stored colour that stays within one step of the format.
    EXPECT_LE(worst.error, FormatStep(normals.format)) << "normal map, worst " << worst;
}

} // namespace integration
