// Options of our own for the Direct3D 9 device over Vulkan, like a driver's
// control panel settings: which device class to report (pixel shader version)
// and which formats to refuse for which usages, so that hosts and tests can
// reach the paths that older hardware takes. The same settings can come from
// the environment:
//   SWK_D3D9_PS_VERSION      3.0 (default), 2.0, 1.4, 1.1, 1.0 or none
//   SWK_D3D9_REFUSE_FORMATS  comma-separated FORMAT:usage pairs, for instance
//                            "L16:dynamic,A16B16G16R16:rendertarget"; usage is
//                            one of rendertarget, dynamic, autogenmipmap,
//                            depthstencil or any
//   SWK_D3D9_VALIDATION      1: report each call refused for its arguments in
//                            one line naming the entry point and the rule
//   SWK_VK_DEVICE            Vulkan device: an index, discrete, integrated,
//                            cpu, or part of the device name
// Options given at creation take precedence over the environment.
//
// Windows: a window handle (HWND) given to CreateDevice or Reset is an SDL2
// window, (HWND)SDL_Window*, created with SDL_WINDOW_VULKAN; the host
// initialises SDL's video subsystem and owns the window. A device made with a
// null window renders off-screen and cannot be Reset onto a window.
// Present stretches the whole back buffer over the device window; its
// rectangles, region and window override are not looked at. GetFrontBufferData
// takes a system-memory D3DFMT_A8R8G8B8 surface of the window's size in pixels.
#pragma once

#include "../d3d9.h"

#define SWK_OPTION_PIXELSHADERVERSION 0x00000001L
#define SWK_OPTION_REFUSEDFORMATS 0x00000002L
#define SWK_OPTION_VULKANDEVICE 0x00000004L
#define SWK_OPTION_VALIDATION 0x00000008L

// Receives each validation line (no trailing newline) instead of stderr.
typedef void(WINAPI* SWK_VALIDATION_CALLBACK)(const char* pLine, void* pUserData);

// A format refused for the usages in Usage (D3DUSAGE_* bits; 0 refuses it for
// every usage, plain textures included).
typedef struct _SWK_REFUSED_FORMAT
{
    D3DFORMAT Format;
    DWORD Usage;
} SWK_REFUSED_FORMAT;

typedef struct _SWK_DEVICE_OPTIONS
{
    UINT Size;                // sizeof(SWK_DEVICE_OPTIONS)
    DWORD Flags;              // SWK_OPTION_* bits saying which members below apply
    DWORD PixelShaderVersion; // D3DPS_VERSION(major, minor), or 0 for none
    UINT RefusedFormatCount;
    const SWK_REFUSED_FORMAT* pRefusedFormats;
    const char* VulkanDevice;
    // Members below were added later; a smaller Size leaves them unread.
    BOOL Validation;                              // report refused calls
    SWK_VALIDATION_CALLBACK pfnValidationMessage; // null: the lines go to stderr
    void* pValidationUserData;
} SWK_DEVICE_OPTIONS;

// Our extension of a device: the host's way to lose it on purpose, as a
// display mode change or a locked workstation would. TestCooperativeLevel
// then returns D3DERR_DEVICELOST until MakeResettable, then
// D3DERR_DEVICENOTRESET until a successful Reset.
inline const IID IID_ISwkDevice9 = {
    0x5A1C2E71, 0x3B7D, 0x4C55, {0x9E, 0x21, 0x6D, 0x0F, 0x4A, 0x83, 0xB2, 0x17}};

interface ISwkDevice9 : public IUnknown
{
    STDMETHOD(LoseDevice)() PURE;
    STDMETHOD(MakeResettable)() PURE;

protected:
    ~ISwkDevice9() = default;
};

// Direct3DCreate9 with options; pOptions may be null.
extern "C" SWK_D3D9_API IDirect3D9* WINAPI SwkDirect3DCreate9(UINT SDKVersion,
                                                              const SWK_DEVICE_OPTIONS* pOptions);

// Vulkan objects (images, buffers, memory, pipelines, ...) that the devices of
// this process hold now: flat over a long run unless something leaks.
extern "C" SWK_D3D9_API LONG WINAPI SwkLiveVulkanObjects(void);
