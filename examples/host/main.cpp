// A minimal host: creates a Direct3D 9 device without a window, animates the
// water for a number of frames, reads both maps back and, when given a folder,
// writes them there as PPM images.
//
//   swellkit_host [frames] [output folder]
#include "MapImage.h"

#include <d3d9.h>
#include <WaveGenerator.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

int Fail(const std::string& why)
{
    std::fprintf(stderr, "swellkit_host: %s\n", why.c_str());
    return 1;
}

void Describe(const char* name, const MapImage& image)
{
    double sum[4] = {0, 0, 0, 0};
    float lo = 1e30f, hi = -1e30f;
    for (size_t i = 0; i < image.rgba.size(); i += 4)
    {
        for (int c = 0; c < 4; ++c)
            sum[c] += image.rgba[i + c];
        lo = image.rgba[i] < lo ? image.rgba[i] : lo;
        hi = image.rgba[i] > hi ? image.rgba[i] : hi;
    }
    const double n = image.rgba.size() / 4.0;
    std::printf("%s: %ux%u format %d, mean rgba (%.3f %.3f %.3f %.3f), red %.3f..%.3f\n", name,
                image.width, image.height, static_cast<int>(image.format), sum[0] / n, sum[1] / n,
                sum[2] / n, sum[3] / n, lo, hi);
}

} // namespace

int main(int argc, char** argv)
{
    char* end = nullptr;
    const long frames = argc > 1 ? std::strtol(argv[1], &end, 10) : 60;
    if (argc > 1 && (*end != '\0' || frames < 0 || frames > 1000000))
        return Fail("the frame count must be a whole number from 0 to 1000000");
    const std::string folder = argc > 2 ? argv[2] : "";

    // The same water on every run.
    std::srand(1);

    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d)
        return Fail("no Direct3D 9 (no Vulkan device found)");
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = 256;
    pp.BackBufferHeight = 256;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    IDirect3DDevice9* device = nullptr;
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device)))
    {
        d3d->Release();
        return Fail("CreateDevice failed");
    }
    D3DCAPS9 caps;
    device->GetDeviceCaps(&caps);
    std::printf("device: pixel shader %lu.%lu\n",
                static_cast<unsigned long>(D3DSHADER_VERSION_MAJOR(caps.PixelShaderVersion)),
                static_cast<unsigned long>(D3DSHADER_VERSION_MINOR(caps.PixelShaderVersion)));

    int status = 0;
    {
        CWaveGenerator water(device, 512, 512);
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < frames; ++i)
            water.Update(16);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        std::printf("%ld frames in %.1f ms (%.2f ms a frame)\n", frames, ms,
                    frames ? ms / frames : 0.0);

        MapImage normals, heights;
        std::string why;
        if (!ReadBack(device, water.GetNormalMap(), &normals, &why))
            status = Fail("normal map: " + why);
        else
        {
            Describe("normal map", normals);
            if (!folder.empty() && !WritePpm(normals, folder + "/normals.ppm", &why))
                status = Fail(why);
        }
        if (water.GetHeightMap())
        {
            if (!ReadBack(device, water.GetHeightMap(), &heights, &why))
                status = Fail("height map: " + why);
            else
            {
                Describe("height map", heights);
                if (!folder.empty() && !WritePpm(heights, folder + "/heights.ppm", &why))
                    status = Fail(why);
            }
        }
        else
            std::printf("height map: none on this device class\n");
    }
    device->Release();
    d3d->Release();
    return status;
}
