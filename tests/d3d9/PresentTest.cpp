// Presentation to SDL windows (under Xvfb where there is no desktop): what the
// front buffer holds after Present, Reset to new sizes and windows, and the
// loss a destroyed window causes.
#include "DeviceTest.h"

#include <SDL.h>

#include <cstdlib>

namespace swk::test
{
namespace
{

using SdlWindow = std::unique_ptr<SDL_Window, decltype(&SDL_DestroyWindow)>;

class PresentTest : public DeviceTest, public ::testing::WithParamInterface<UINT>
{
protected:
    static void SetUpTestSuite()
    {
        DeviceTest::SetUpTestSuite();
        video_ = std::getenv("DISPLAY") && SDL_Init(SDL_INIT_VIDEO) == 0;
    }
    static void TearDownTestSuite()
    {
        DeviceTest::TearDownTestSuite();
        if (video_)
            SDL_Quit();
    }
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (!video_)
            GTEST_SKIP() << "no X display (scripts/test.sh starts Xvfb)";
    }

    static SdlWindow window(int width, int height)
    {
        return SdlWindow(SDL_CreateWindow("present test", 0, 0, width, height,
                                          SDL_WINDOW_VULKAN | SDL_WINDOW_RESIZABLE),
                         SDL_DestroyWindow);
    }
    D3DPRESENT_PARAMETERS windowed(SDL_Window* w, UINT width, UINT height) const
    {
        D3DPRESENT_PARAMETERS pp = presentation(width, height, D3DFMT_X8R8G8B8);
        pp.hDeviceWindow = reinterpret_cast<HWND>(w);
        pp.PresentationInterval = GetParam();
        return pp;
    }
    // After a clear to color and Present, the front buffer is width x height
    // and every pixel is color.
    void presentAndExpect(UINT width, UINT height, D3DCOLOR color)
    {
        ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        const Pixels p =
            read(width, height, D3DFMT_A8R8G8B8,
                 [&](IDirect3DSurface9* front) { return device_->GetFrontBufferData(0, front); });
        UINT wrong = 0;
        for (UINT i = 0; i < width * height; ++i)
            wrong += p.at<uint32_t>(i % width, i / width, 0) != (color | 0xff000000u);
        EXPECT_EQ(wrong, 0u) << "of " << width * height << " pixels";
    }

    static inline bool video_ = false;
};

TEST_P(PresentTest, FrontBufferFollowsResetsUntilTheWindowIsDestroyed)
{
    SdlWindow first = window(64, 48);
    ASSERT_TRUE(first);
    D3DPRESENT_PARAMETERS pp = windowed(first.get(), 64, 48);
    ASSERT_EQ(d3d()->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, pp.hDeviceWindow,
                                  D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, device_.out()),
              D3D_OK);
    presentAndExpect(64, 48, 0x203080);
    // A surface of another size than the window's is refused.
    EXPECT_EQ(device_->GetFrontBufferData(0, systemSurface(8, 8).get()), D3DERR_INVALIDCALL);

    SDL_SetWindowSize(first.get(), 40, 72);
    pp = windowed(first.get(), 40, 72);
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    presentAndExpect(40, 72, 0x10c040);

    // A destroyed window loses the device until a Reset onto a new one.
    first.reset();
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    SdlWindow second = window(48, 24);
    pp = windowed(second.get(), 48, 24);
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    EXPECT_EQ(device_->TestCooperativeLevel(), D3D_OK);
    presentAndExpect(48, 24, 0xc02010);
}

INSTANTIATE_TEST_SUITE_P(Intervals, PresentTest,
                         ::testing::Values(D3DPRESENT_INTERVAL_ONE, D3DPRESENT_INTERVAL_IMMEDIATE),
                         [](const auto& info)
                         { return info.param == D3DPRESENT_INTERVAL_ONE ? "One" : "Immediate"; });

} // namespace
} // namespace swk::test
