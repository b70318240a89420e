// The watch behind every creation and release: what it reports, what it holds,
// and the guarded release in each state.
#include <Brantholm.h>
#include <TestDevice.h>

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace
{

class Watch : public testing::Test
{
protected:
    void SetUp() override
    {
        CD3DWatch::ResetWatch();
        CD3DWatch::SetOperating(true);
        previous = CD3DWatch::SetReportSink(
            [this](const char* file, int line, const char* msg)
            { reports.push_back(std::string(file) + "(" + std::to_string(line) + "): " + msg); });
    }
    void TearDown() override
    {
        CD3DWatch::SetOperating(true);
        CD3DWatch::SetReportSink(previous);
        CD3DWatch::ResetWatch();
    }
    std::vector<std::string> reports;
    CD3DWatch::ReportSink previous;
    swk::test::TestDevice device;
};

// A failed call is reported with its file, line and result and leaves null; a
// missing depth-stencil surface is an answer, not a failure.
TEST_F(Watch, FailedCallsReportFileLineAndResultAndLeaveNull)
{
    IDirect3DSurface9* depth = NULL;
    device.SetDepthStencilSurface(NULL);
    EXPECT_EQ(CD3DWatch::SafeGetDepthStencilSurface("WaveGenerator", 801, &device, &depth),
              D3DERR_NOTFOUND);
    EXPECT_EQ(depth, nullptr);
    EXPECT_TRUE(reports.empty());

    device.Fail("CreateTexture", D3DERR_OUTOFVIDEOMEMORY, 1);
    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(&device);
    const HRESULT hr =
        CD3DWatch::SafeCreateTexture("WaveGenerator", 381, &device, 128, 128, 1, D3DUSAGE_DYNAMIC,
                                     D3DFMT_L16, D3DPOOL_DEFAULT, &texture, NULL);
    EXPECT_EQ(hr, D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(CD3DWatch::GetWatchedCount(), 0u);
    device.Fail("GetDepthStencilSurface", D3DERR_INVALIDCALL, 1);
    device.SetDepthStencilSurface(device.DepthStencil());
    CD3DWatch::SafeGetDepthStencilSurface("WaveGenerator", 801, &device, &depth);
    EXPECT_EQ(reports,
              (std::vector<std::string>{
                  "WaveGenerator(381): CreateTexture failed: D3DERR_OUTOFVIDEOMEMORY",
                  "WaveGenerator(801): GetDepthStencilSurface failed: D3DERR_INVALIDCALL"}));
}

TEST_F(Watch, HeldReferencesAreLeaksUntilReleasedWithoutReport)
{
    IDirect3DTexture9* texture = NULL;
    CD3DWatch::SafeCreateTexture("WaveGenerator", 392, &device, 16, 16, 0, D3DUSAGE_RENDERTARGET,
                                 D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, NULL);
    ASSERT_NE(texture, nullptr);
    // The same surface handed out twice is two references to forget.
    IDirect3DSurface9* a = NULL;
    IDirect3DSurface9* b = NULL;
    CD3DWatch::SafeGetSurfaceLevel("WaveGenerator", 839, texture, 0, &a);
    CD3DWatch::SafeGetSurfaceLevel("WaveGenerator", 912, texture, 0, &b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(CD3DWatch::GetWatchedCount(), 3u);
    // Unreleased, each object is a leak named by where it was first handed out.
    EXPECT_EQ(CD3DWatch::ReportLeaks(), 2u);
    EXPECT_EQ(std::set<std::string>(reports.begin(), reports.end()),
              (std::set<std::string>{
                  "WaveGenerator(392): CreateTexture result never released (1 reference)",
                  "WaveGenerator(839): GetSurfaceLevel result never released (2 references)"}));
    reports.clear();
    CD3DWatch::SafeRelease("WaveGenerator", 868, (IUnknown**)&a);
    CD3DWatch::SafeRelease("WaveGenerator", 956, (IUnknown**)&b);
    CD3DWatch::SafeRelease("WaveGenerator", 107, (IUnknown**)&texture);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(texture, nullptr);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(CD3DWatch::GetWatchedCount(), 0u);
    EXPECT_EQ(device.LiveResources(), 0);
    EXPECT_EQ(CD3DWatch::ReportLeaks(), 0u);
    // A null pointer is skipped.
    CD3DWatch::SafeRelease("WaveGenerator", 107, (IUnknown**)&texture);
    EXPECT_TRUE(reports.empty());
}

// Releases of references the watch never held (made outside it, or while it
// was not operating) go through; they are reported only while it operates.
TEST_F(Watch, UnheldReferencesAreReleasedAndReportedWhileOperating)
{
    IDirect3DTexture9* texture = NULL;
    device.CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, NULL);
    CD3DWatch::SafeRelease("WaveGenerator", 1026, (IUnknown**)&texture);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(reports, std::vector<std::string>{
                           "WaveGenerator(1026): Release of a reference the watch does not hold"});

    CD3DWatch::SetOperating(false);
    CD3DWatch::SafeCreateTexture("WaveGenerator", 385, &device, 8, 8, 1, D3DUSAGE_RENDERTARGET,
                                 D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, NULL);
    EXPECT_EQ(CD3DWatch::GetWatchedCount(), 0u);
    CD3DWatch::SafeRelease("WaveGenerator", 106, (IUnknown**)&texture);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(device.LiveResources(), 0);
    EXPECT_EQ(reports.size(), 1u);
}

// Several threads releasing the same pointers: the semaphore lets exactly one
// of them release each object and clears the pointer the others then find,
// and the watch stays consistent.
TEST_F(Watch, ConcurrentReleasesOfOnePointerReleaseItOnce)
{
    constexpr int kThreads = 4, kObjects = 100;
    const ULONG deviceReferences = device.references();
    std::vector<IUnknown*> shared(kObjects);
    for (IUnknown*& p : shared)
    {
        IDirect3DVertexBuffer9* vb = NULL;
        CD3DWatch::SafeCreateVertexBuffer("WaveGenerator", 222, &device, 64, 0, 0,
                                          D3DPOOL_SYSTEMMEM, &vb, NULL);
        p = vb;
    }
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(
            [&]
            {
                while (!go)
                    std::this_thread::yield();
                for (IUnknown*& p : shared)
                    CD3DWatch::SafeRelease("WaveGenerator", 1028, &p);
            });
    go = true;
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(device.references(), deviceReferences);
    EXPECT_EQ(CD3DWatch::GetWatchedCount(), 0u);
    EXPECT_TRUE(reports.empty());
}

} // namespace
