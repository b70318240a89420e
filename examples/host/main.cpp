// A minimal host: creates a Direct3D 9 device, animates the water for a number
// of frames, reads both maps back, puts the generator through a device loss
// and checks that destroying it gives back everything it took. Given a folder,
// it writes the maps there as PPM images and the normal map's texels as stored.
//
//   swellkit_host [--rand msvcrt] [frames] [output folder]
//
// --rand msvcrt: rand() follows msvcrt's sequence, so the Linux build makes the
// water the Windows build makes for the same seed (a Windows build draws from
// msvcrt already).
#include "MapImage.h"

#include <d3d9.h>
#include <Brantholm.h>
#include <WaveGenerator.h>
#if !defined(_WIN32)
#include <swk/RandSequence.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    bool uniform = true;
    for (size_t i = 4; uniform && i < image.rgba.size(); ++i)
        uniform = image.rgba[i] == image.rgba[i % 4];
    const double n = image.rgba.size() / 4.0;
    std::printf("%s: %ux%u format %d, mean rgba (%.3f %.3f %.3f %.3f), red %.3f..%.3f%s\n", name,
                image.width, image.height, static_cast<int>(image.format), sum[0] / n, sum[1] / n,
                sum[2] / n, sum[3] / n, lo, hi, uniform ? ", uniform" : "");
}

ULONG ReferenceCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

#if defined(_WIN32)
// A message box would wait for a click that never comes on a headless
// desktop: say what it shows on one line and press OK.
LRESULT CALLBACK AnswerMessageBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    const HWND window = reinterpret_cast<HWND>(wParam);
    char windowClass[16] = "";
    if (code == HCBT_ACTIVATE && GetClassNameA(window, windowClass, sizeof windowClass) &&
        std::strcmp(windowClass, "#32770") == 0)
    {
        char caption[256] = "", text[4096] = "";
        GetWindowTextA(window, caption, sizeof caption);
        GetDlgItemTextA(window, 0xffff, text, sizeof text);
        for (char* p = text; *p; ++p)
            *p = (*p == '\r' || *p == '\n') ? ' ' : *p;
        std::printf("message box: %s: %s\n", caption, text);
        std::fflush(stdout);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
#endif

bool ReadAndDescribe(IDirect3DDevice9* device, const char* name, IDirect3DTexture9* texture,
                     const std::string& folder, const char* file, bool texels)
{
    MapImage image;
    std::string why;
    if (!ReadBack(device, texture, &image, &why))
        return Fail(std::string(name) + ": " + why), false;
    Describe(name, image);
    if (folder.empty())
        return true;
    const std::string path = folder + "/" + file;
    if (!WritePpm(image, path + ".ppm", &why) ||
        (texels && !WriteTexels(image, path + ".texels", &why)))
        return Fail(why), false;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int arg = 1;
    bool msvcrtRand = false;
    if (arg + 1 < argc && std::strcmp(argv[arg], "--rand") == 0)
    {
        if (std::strcmp(argv[arg + 1], "msvcrt") != 0)
            return Fail("--rand takes msvcrt, the one sequence besides the C library's");
        msvcrtRand = true;
        arg += 2;
    }
    char* end = nullptr;
    const long frames = argc > arg ? std::strtol(argv[arg], &end, 10) : 60;
    if (argc > arg && (*end != '\0' || frames < 0 || frames > 1000000))
        return Fail("the frame count must be a whole number from 0 to 1000000");
    const std::string folder = argc > arg + 1 ? argv[arg + 1] : "";
#if !defined(_WIN32)
    if (msvcrtRand && !swk::win32::SetRandSequence(swk::win32::RandSequence::Msvcrt))
        return Fail("rand() here is the C library's: link swk_win32 ahead of it");
#else
    (void)msvcrtRand;
    SetWindowsHookExA(WH_CBT, AnswerMessageBoxes, nullptr, GetCurrentThreadId());
#endif

    // The same water on every run.
    std::srand(1);

    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d)
        return Fail("no Direct3D 9");
    HWND window = nullptr;
#if defined(_WIN32)
    // Windows wants a window for the device even though nothing is presented.
    window = CreateWindowA("STATIC", "swellkit_host", WS_OVERLAPPEDWINDOW, 0, 0, 256, 256, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
#endif
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = 256;
    pp.BackBufferHeight = 256;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    IDirect3DDevice9* device = nullptr;
    const D3DPRESENT_PARAMETERS created = pp;
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
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
    const ULONG references = ReferenceCount(device);
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

        if (!ReadAndDescribe(device, "normal map", water.GetNormalMap(), folder, "normals", true))
            status = 1;
        if (!water.GetHeightMap())
            std::printf("height map: none on this device class\n");
        else if (!ReadAndDescribe(device, "height map", water.GetHeightMap(), folder, "heights",
                                  false))
            status = 1;

        water.OnLostDevice();
        pp = created;
        if (FAILED(device->Reset(&pp)))
            status = Fail("Reset failed");
        water.OnRestoreDevice();
        water.Update(16);
        if (!water.GetNormalMap())
            status = Fail("no normal map after the device was restored");
        else
            std::printf("device lost and restored: the water goes on\n");
    }
    const size_t watched = CD3DWatch::GetWatchedCount();
    const ULONG after = ReferenceCount(device);
    std::printf("after destruction: %lu references in the watch, device reference count %lu "
                "(%lu before construction)\n",
                static_cast<unsigned long>(watched), static_cast<unsigned long>(after),
                static_cast<unsigned long>(references));
    if (watched != 0 || after != references)
        status = Fail("the generator did not give back everything it took");
    device->Release();
    d3d->Release();
#if defined(_WIN32)
    DestroyWindow(window);
#endif
    return status;
}
