#include "Viewer.h"
#include "Png.h"
#include "WaterScene.h"

#include <WaveGenerator.h>
#include <d3d9.h>
#include <swk/DeviceOptions.h>

#include <SDL.h>
#include <SDL_vulkan.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>

namespace swellkit::view
{
namespace
{

constexpr D3DCOLOR kClearColour = D3DCOLOR_XRGB(48, 48, 48);
constexpr const char* kClassNames[] = {"", "pixel shader 2.0", "pixel shader 1.1",
                                       "no pixel shaders"};

DWORD PixelShaderVersion(int deviceClass)
{
    switch (deviceClass)
    {
    case 1:
        return D3DPS_VERSION(2, 0);
    case 2:
        return D3DPS_VERSION(1, 1);
    default:
        return 0;
    }
}

double Seconds(Uint64 from, Uint64 to)
{
    return double(to - from) / double(SDL_GetPerformanceFrequency());
}

struct WindowDeleter
{
    void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
};

// One run of the viewer: the window, the device of the current class, the
// generator and the scene on it.
class Viewer
{
public:
    Viewer(const ViewOptions& options, ViewReport* report) : m_Options(options), m_pReport(report)
    {
    }
    ~Viewer() { DestroyDevice(); }

    bool Run(std::string* why);

private:
    bool CreateDevice(int deviceClass, std::string* why);
    void DestroyDevice();
    D3DPRESENT_PARAMETERS PresentParameters() const;
    enum class Restored
    {
        Usable,
        StillLost,
        Failed
    };
    // Brings a lost device back when it can be.
    Restored Restore(std::string* why);
    void HandleKey(char key);
    bool RenderFrame(DWORD elapsed);
    bool Capture(std::vector<uint8_t>* bgra, uint32_t* width, uint32_t* height);
    void SaveScreenshot(const std::string& path);
    void UpdateTitle(double fps, double updateMs);

    const ViewOptions& m_Options;
    ViewReport* m_pReport;
    std::unique_ptr<SDL_Window, WindowDeleter> m_pWindow;
    IDirect3D9* m_pD3D = nullptr;
    IDirect3DDevice9* m_pDevice = nullptr;
    CWaveGenerator* m_pGenerator = nullptr;
    WaterScene m_Scene;
    int m_nClass = 1;
    int m_nPendingClass = 0;
    bool m_bLost = false;
    bool m_bResize = false;
    bool m_bPaused = false;
    bool m_bTiled = true;
    bool m_bQuit = false;
    int m_nScreenshots = 0;
    double m_dUpdateSeconds = 0;
};

bool Viewer::CreateDevice(int deviceClass, std::string* why)
{
    SWK_DEVICE_OPTIONS options{};
    options.Size = sizeof options;
    options.Flags = SWK_OPTION_PIXELSHADERVERSION;
    options.PixelShaderVersion = PixelShaderVersion(deviceClass);
    m_pD3D = SwkDirect3DCreate9(D3D_SDK_VERSION, &options);
    if (!m_pD3D)
    {
        *why = "no Direct3D 9 device over Vulkan";
        return false;
    }
    D3DPRESENT_PARAMETERS pp = PresentParameters();
    if (FAILED(m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, pp.hDeviceWindow,
                                    D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &m_pDevice)))
    {
        *why = "the device cannot present to the window";
        return false;
    }
    m_pGenerator = new CWaveGenerator(m_pDevice, m_Options.mapSize, m_Options.mapSize);
    if (!m_Scene.Create(m_pDevice, why))
        return false;
    m_nClass = deviceClass;
    m_bLost = false;
    return true;
}

void Viewer::DestroyDevice()
{
    delete m_pGenerator;
    m_pGenerator = nullptr;
    m_Scene.Release();
    if (m_pDevice)
        m_pDevice->Release();
    m_pDevice = nullptr;
    if (m_pD3D)
        m_pD3D->Release();
    m_pD3D = nullptr;
}

D3DPRESENT_PARAMETERS Viewer::PresentParameters() const
{
    int width = 0, height = 0;
    SDL_Vulkan_GetDrawableSize(m_pWindow.get(), &width, &height);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = static_cast<UINT>(std::max(width, 1));
    pp.BackBufferHeight = static_cast<UINT>(std::max(height, 1));
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = reinterpret_cast<HWND>(m_pWindow.get());
    pp.Windowed = TRUE;
    pp.PresentationInterval =
        m_Options.immediate ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_ONE;
    return pp;
}

Viewer::Restored Viewer::Restore(std::string* why)
{
    if (!m_bLost && !m_bResize)
        return Restored::Usable;
    if (!m_bLost)
    {
        m_pGenerator->OnLostDevice();
        m_Scene.OnLostDevice();
        m_bLost = true;
    }
    m_bResize = false;
    const HRESULT level = m_pDevice->TestCooperativeLevel();
    if (level == D3DERR_DEVICELOST)
        return Restored::StillLost;
    D3DPRESENT_PARAMETERS pp = PresentParameters();
    const HRESULT reset = m_pDevice->Reset(&pp);
    if (reset == D3DERR_DEVICELOST)
        return Restored::StillLost;
    if (FAILED(reset))
    {
        // Anything else (a default-pool resource still held, above all) fails every retry.
        char text[96];
        std::snprintf(text, sizeof text, "the device could not be reset (error 0x%08lX)",
                      static_cast<unsigned long>(reset));
        *why = text;
        return Restored::Failed;
    }
    m_pGenerator->OnRestoreDevice();
    m_Scene.OnResetDevice();
    m_bLost = false;
    ++m_pReport->restorations;
    return Restored::Usable;
}

void Viewer::HandleKey(char key)
{
    switch (std::tolower(static_cast<unsigned char>(key)))
    {
    case ' ':
        m_bPaused = !m_bPaused;
        break;
    case '+':
    case '=':
        m_pGenerator->SetSpeed(m_pGenerator->GetSpeed() * 1.25f);
        break;
    case '-':
        m_pGenerator->SetSpeed(m_pGenerator->GetSpeed() / 1.25f);
        break;
    case '1':
    case '2':
    case '3':
        m_nPendingClass = key - '0';
        break;
    case 't':
        m_bTiled = !m_bTiled;
        break;
    case 'r':
    {
        // Lost as a locked workstation would lose it; the loss path does the rest.
        ISwkDevice9* swk = nullptr;
        if (SUCCEEDED(m_pDevice->QueryInterface(IID_ISwkDevice9, reinterpret_cast<void**>(&swk))))
        {
            swk->LoseDevice();
            m_pGenerator->OnLostDevice();
            m_Scene.OnLostDevice();
            m_bLost = true;
            swk->MakeResettable();
            swk->Release();
        }
        break;
    }
    case 's':
    {
        char name[64];
        std::snprintf(name, sizeof name, "swellkit-view-%d.png", ++m_nScreenshots);
        SaveScreenshot(name);
        break;
    }
    case 27:
        m_bQuit = true;
        break;
    default:
        break;
    }
}

bool Viewer::RenderFrame(DWORD elapsed)
{
    const Uint64 before = SDL_GetPerformanceCounter();
    m_pGenerator->Update(m_bPaused ? 0 : elapsed);
    m_dUpdateSeconds += Seconds(before, SDL_GetPerformanceCounter());

    const D3DPRESENT_PARAMETERS pp = PresentParameters();
    m_pDevice->BeginScene();
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kClearColour, 1.0f, 0);
    m_Scene.Draw(m_pGenerator->GetNormalMap(), m_pGenerator->GetHeightMap(), m_bTiled,
                 pp.BackBufferWidth, pp.BackBufferHeight);
    m_pDevice->EndScene();
    if (m_pDevice->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST)
    {
        m_pGenerator->OnLostDevice();
        m_Scene.OnLostDevice();
        m_bLost = true;
        return false;
    }
    return true;
}

bool Viewer::Capture(std::vector<uint8_t>* bgra, uint32_t* width, uint32_t* height)
{
    const D3DPRESENT_PARAMETERS pp = PresentParameters();
    IDirect3DSurface9* front = nullptr;
    if (FAILED(m_pDevice->CreateOffscreenPlainSurface(pp.BackBufferWidth, pp.BackBufferHeight,
                                                      D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &front,
                                                      nullptr)))
        return false;
    bool ok = false;
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(m_pDevice->GetFrontBufferData(0, front)) &&
        SUCCEEDED(front->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
    {
        *width = pp.BackBufferWidth;
        *height = pp.BackBufferHeight;
        bgra->resize(size_t(*width) * *height * 4);
        for (uint32_t y = 0; y < *height; ++y)
            std::memcpy(bgra->data() + size_t(y) * *width * 4,
                        static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                        size_t(*width) * 4);
        front->UnlockRect();
        ok = true;
    }
    front->Release();
    return ok;
}

void Viewer::SaveScreenshot(const std::string& path)
{
    std::vector<uint8_t> bgra;
    uint32_t width = 0, height = 0;
    std::string why;
    if (!Capture(&bgra, &width, &height))
        std::fprintf(stderr, "swellkit view: nothing shown yet to save as %s\n", path.c_str());
    else if (!WritePng(path, width, height, bgra, &why))
        std::fprintf(stderr, "swellkit view: %s\n", why.c_str());
    else
        std::printf("saved %s\n", path.c_str());
}

void Viewer::UpdateTitle(double fps, double updateMs)
{
    char title[160];
    std::snprintf(title, sizeof title,
                  "Swellkit view - %dx%d maps, %s - %.1f fps, Update %.2f ms%s", m_Options.mapSize,
                  m_Options.mapSize, kClassNames[m_nClass], fps, updateMs,
                  m_bPaused ? " (paused)" : "");
    SDL_SetWindowTitle(m_pWindow.get(), title);
}

bool Viewer::Run(std::string* why)
{
    std::vector<std::pair<int, char>> script;
    if (!ParseKeys(m_Options.keys, &script, why))
        return false;
    m_pWindow.reset(SDL_CreateWindow("Swellkit view", SDL_WINDOWPOS_CENTERED,
                                     SDL_WINDOWPOS_CENTERED, m_Options.width, m_Options.height,
                                     SDL_WINDOW_VULKAN | SDL_WINDOW_RESIZABLE));
    if (!m_pWindow)
    {
        *why = std::string("no window: ") + SDL_GetError();
        return false;
    }
    if (!CreateDevice(m_Options.deviceClass, why))
        return false;

    const Uint64 start = SDL_GetPerformanceCounter();
    Uint64 last = start, titleTime = start;
    int titleFrames = 0;
    double titleUpdate = 0;
    int frame = 0;
    size_t nextKey = 0;
    while (!m_bQuit && (m_Options.frames == 0 || frame < m_Options.frames))
    {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (event.type == SDL_QUIT)
                m_bQuit = true;
            else if (event.type == SDL_WINDOWEVENT &&
                     event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                m_bResize = true; // a real host resets its device to the new size
            else if (event.type == SDL_KEYDOWN)
            {
                const SDL_Keycode key = event.key.keysym.sym;
                if (key == SDLK_KP_PLUS)
                    HandleKey('+');
                else if (key == SDLK_KP_MINUS)
                    HandleKey('-');
                else if (key < 128)
                    HandleKey(static_cast<char>(key));
            }
        while (nextKey < script.size() && script[nextKey].first <= frame)
            HandleKey(script[nextKey++].second);
        if (m_nPendingClass)
        {
            const int wanted = m_nPendingClass;
            m_nPendingClass = 0;
            DestroyDevice();
            if (!CreateDevice(wanted, why))
                return false;
        }
        const Restored restored = Restore(why);
        if (restored == Restored::Failed)
            return false;
        if (restored == Restored::StillLost)
        {
            SDL_Delay(10);
            continue;
        }
        const Uint64 now = SDL_GetPerformanceCounter();
        const DWORD elapsed = static_cast<DWORD>(Seconds(last, now) * 1000.0 + 0.5);
        if (elapsed == 0 && !m_bPaused)
            continue; // Update counts whole milliseconds
        last = now;
        const double updateBefore = m_dUpdateSeconds;
        if (!RenderFrame(elapsed))
            continue;
        ++frame;
        ++titleFrames;
        titleUpdate += m_dUpdateSeconds - updateBefore;
        const double sinceTitle = Seconds(titleTime, SDL_GetPerformanceCounter());
        if (sinceTitle >= 0.5)
        {
            UpdateTitle(titleFrames / sinceTitle, titleUpdate * 1000.0 / titleFrames);
            titleTime = SDL_GetPerformanceCounter();
            titleFrames = 0;
            titleUpdate = 0;
        }
    }
    m_pReport->frames = frame;
    m_pReport->seconds = Seconds(start, SDL_GetPerformanceCounter());
    m_pReport->updateMilliseconds = frame ? m_dUpdateSeconds * 1000.0 / frame : 0.0;
    m_pReport->deviceClass = m_nClass;
    if (frame > 0 && !m_bLost)
        Capture(&m_pReport->bgra, &m_pReport->width, &m_pReport->height);
    if (!m_Options.screenshot.empty())
    {
        if (m_pReport->bgra.empty())
        {
            *why = "no frame was shown to save";
            return false;
        }
        if (!WritePng(m_Options.screenshot, m_pReport->width, m_pReport->height, m_pReport->bgra,
                      why))
            return false;
    }
    DestroyDevice();
    m_pReport->watchedAtExit = CD3DWatch::GetWatchedCount();
    return true;
}

} // namespace

bool ParseKeys(const std::string& text, std::vector<std::pair<int, char>>* keys, std::string* why)
{
    keys->clear();
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ','))
    {
        const size_t colon = item.find(':');
        int frame = -1;
        if (colon == std::string::npos || colon + 2 != item.size() ||
            std::sscanf(item.substr(0, colon).c_str(), "%d", &frame) != 1 || frame < 0 ||
            !std::strchr(" +-123trs", std::tolower(static_cast<unsigned char>(item[colon + 1]))))
        {
            *why = "--keys wants frame:key pairs (keys: space + - 1 2 3 t r s), not '" + item + "'";
            return false;
        }
        keys->emplace_back(frame, item[colon + 1]);
    }
    std::stable_sort(keys->begin(), keys->end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

bool RunView(const ViewOptions& options, ViewReport* report, std::string* why)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
    {
        *why = std::string("no display: ") + SDL_GetError();
        return false;
    }
    // SDL falls back to drivers without windows when the display cannot be reached.
    const std::string driver = SDL_GetCurrentVideoDriver();
    if (driver == "offscreen" || driver == "dummy")
    {
        SDL_Quit();
        *why = "no display to open a window on (is DISPLAY set?)";
        return false;
    }
    bool ok;
    {
        Viewer viewer(options, report);
        ok = viewer.Run(why);
    }
    SDL_Quit();
    return ok;
}

} // namespace swellkit::view
