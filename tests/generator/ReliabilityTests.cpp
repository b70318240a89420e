// Whatever the device or the host does, the generator neither crashes nor
// throws nor draws into the host's target, reports every failed call with its
// file and line, and leaves the device as it found it: every reference
// handed back, nothing in the default pool to stop a Reset.
#include <WaveGeneratorProbe.h>

#include <FakeEffects.h>
#include <TestDevice.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

using swk::test::refCount;
using swk::test::TestDevice;

namespace
{

const DWORD kClasses[] = {D3DPS_VERSION(2, 0), D3DPS_VERSION(1, 1), 0};

// Collects the watch's reports for as long as it lives.
struct Reports
{
    Reports()
    {
        previous = CD3DWatch::SetReportSink([this](const char* file, int line, const char*)
                                            { seen.emplace_back(file, line); });
    }
    ~Reports() { CD3DWatch::SetReportSink(previous); }
    std::vector<std::pair<std::string, int>> seen;
    CD3DWatch::ReportSink previous;
};

// What must hold once the generator is gone, whatever happened before.
void ExpectDeviceAsFound(TestDevice& device, ULONG references)
{
    EXPECT_EQ(device.LiveResources(), 0);
    EXPECT_EQ(CD3DWatch::GetWatchedCount(), 0u);
    EXPECT_EQ(refCount(&device), references);
    EXPECT_EQ(device.BackBufferWrites(), 0);
    EXPECT_FALSE(device.InScene());
    EXPECT_EQ(device.CurrentRenderTarget(), device.BackBuffer());
}

// A host's loss: the generator lets go of the default pool and Reset succeeds.
void LoseAndReset(CWaveGenerator& g, TestDevice& device)
{
    g.OnLostDevice();
    EXPECT_EQ(device.LiveDefaultPoolResources(), 0);
    EXPECT_EQ(device.Reset(nullptr), D3D_OK);
}

enum Phase
{
    kConstruction,
    kUpdate,
    kLoss,
    kRestoration,
    kPhases
};
const char* const kPhaseNames[] = {"construction", "Update", "loss", "restoration"};

struct Schedule
{
    Phase phase;
    std::string call; // empty: nothing fails
    int nth;
    int count; // -1: from the nth call on
};

// Calls whose failure the watch sees and must report.
const std::set<std::string> kWatched = {
    "CreateTexture",          "CreateVertexBuffer", "GetSurfaceLevel", "GetRenderTarget",
    "GetDepthStencilSurface", "GetDirect3D",        "D3DXCreateEffect"};

// One life of a generator with the schedule armed during its phase: the
// failure points each phase reached, and the failures injected.
std::vector<std::map<std::string, int>> Live(DWORD psVersion, const Schedule& s, int& injected)
{
    const auto owned = swk::test::MakeDevice(psVersion);
    TestDevice& device = *owned;
    int injectedHere = 0;
    const ULONG references = refCount(&device);
    CD3DWatch::ResetWatch();
    Reports reports;
    std::vector<std::map<std::string, int>> reached(kPhases);
    const auto run = [&](Phase phase, const auto& step)
    {
        device.ClearReached();
        if (phase == s.phase && !s.call.empty())
            device.FailFrom(s.call, s.nth, s.count);
        step();
        device.StopFailing(s.call);
        reached[phase] = device.Reached();
        if (phase == s.phase)
            injectedHere = device.InjectedFailures();
    };

    std::unique_ptr<CWaveGenerator> g;
    run(kConstruction, [&] { g = std::make_unique<CWaveGenerator>(&device, 32, 32); });
    // A generator without its normal map behaves as lost: it holds nothing
    // that would stop the host's Reset.
    EXPECT_TRUE(g->GetNormalMap() || device.LiveDefaultPoolResources() == 0);
    run(kUpdate,
        [&]
        {
            g->Update(16);
            g->Update(16);
        });
    run(kLoss, [&] { g->OnLostDevice(); });
    EXPECT_EQ(device.LiveDefaultPoolResources(), 0);
    EXPECT_EQ(device.Reset(nullptr), D3D_OK);
    run(kRestoration, [&] { g->OnRestoreDevice(); });
    EXPECT_TRUE(g->GetNormalMap() || device.LiveDefaultPoolResources() == 0);

    // Once the device behaves again, a loss and a restoration bring it all back.
    g->Update(16);
    LoseAndReset(*g, device);
    g->OnRestoreDevice();
    EXPECT_NE(g->GetNormalMap(), nullptr);
    g->Update(16);
    g.reset();
    ExpectDeviceAsFound(device, references);

    for (const auto& [file, line] : reports.seen)
        EXPECT_TRUE(file == "WaveGenerator" && line > 0) << file << "(" << line << ")";
    // A watched call that failed was reported.
    EXPECT_TRUE(!kWatched.count(s.call) || injectedHere == 0 || !reports.seen.empty());
    injected += injectedHere;
    return reached;
}

class FailureAtEveryStep : public testing::TestWithParam<DWORD>
{
};

// Each call the generator makes fails once and from then on, at its first,
// second and last occurrence in each phase.
TEST_P(FailureAtEveryStep, LeavesNoTraceAndRecovers)
{
    int injected = 0;
    const auto reached = Live(GetParam(), {kPhases, "", 0, 0}, injected);
    // A life that fails with nothing injected would fail every schedule, slowly.
    ASSERT_FALSE(HasFailure());
    int runs = 0;
    for (int phase = 0; phase < kPhases; ++phase)
        for (const auto& [call, times] : reached[phase])
            for (const int nth : std::set<int>{1, std::min(2, times), times})
                for (const int count : {1, -1})
                {
                    const Schedule s{Phase(phase), call, nth, count};
                    SCOPED_TRACE(call + " failing from call " + std::to_string(nth) +
                                 (count < 0 ? " on" : " once") + " during " + kPhaseNames[phase]);
                    const int before = injected;
                    Live(GetParam(), s, injected);
                    EXPECT_GT(injected, before);
                    ++runs;
                }
    std::printf("pixel shader %lX: %d runs, %d injected failures\n",
                static_cast<unsigned long>(GetParam()), runs, injected);
}

INSTANTIATE_TEST_SUITE_P(Classes, FailureAtEveryStep, testing::ValuesIn(kClasses));

// Map sizes the device cannot take, or the grid cannot hold, are failed
// creations like any other; the ones it can take work.
struct Size
{
    int width, height;
    bool maps[3]; // whether the normal map exists, by class
};

class BadSizes : public testing::TestWithParam<Size>
{
};

TEST_P(BadSizes, AreReportedAndLeaveNothingBehind)
{
    const Size size = GetParam();
    for (int c = 0; c < 3; ++c)
    {
        SCOPED_TRACE("pixel shader " + std::to_string(kClasses[c]));
        TestDevice::Options options;
        options.pixelShaderVersion = kClasses[c];
        options.maxTextureSize = 256;
        TestDevice device(options);
        const ULONG references = refCount(&device);
        CD3DWatch::ResetWatch();
        Reports reports;
        {
            CWaveGenerator g(&device, size.width, size.height);
            EXPECT_EQ(g.GetNormalMap() != nullptr, size.maps[c]);
            EXPECT_TRUE(size.maps[c] || !reports.seen.empty());
            g.Update(16);
            LoseAndReset(g, device);
            g.OnRestoreDevice();
            g.Update(16);
        }
        ExpectDeviceAsFound(device, references);
    }
}

// The device takes textures up to 256 texels a side.
INSTANTIATE_TEST_SUITE_P(
    Sizes, BadSizes,
    testing::Values(Size{0, 0, {false, false, false}}, Size{1, 1, {true, false, false}},
                    Size{2, 2, {true, true, false}}, Size{-1, -1, {false, false, false}},
                    Size{-1000, 1000, {false, false, false}}, Size{63, 65, {true, true, true}},
                    Size{256, 256, {true, true, true}}, Size{257, 256, {false, true, true}},
                    Size{512, 512, {false, true, true}}, Size{514, 512, {false, false, true}},
                    Size{1024, 1024, {false, false, true}}, Size{1028, 1024, {false, false, false}},
                    Size{INT_MAX, INT_MAX, {false, false, false}},
                    Size{INT_MIN, INT_MAX, {false, false, false}},
                    // Grids whose buffer length does not fit 32 bits.
                    Size{16384, 16386, {false, false, false}},
                    Size{92682, 92682, {false, false, false}}));

// A missing pass target was reported when its creation failed; the frames
// that skip the pass report nothing more.
TEST(MissingTargets, AreReportedOnceNotEveryFrame)
{
    TestDevice device;
    device.FailFrom("CreateTexture", 3, 1); // the height map
    Reports reports;
    CWaveGenerator g(&device, 64, 64);
    for (int frame = 0; frame < 3; ++frame)
        g.Update(16);
    ASSERT_EQ(reports.seen.size(), 1u);
    EXPECT_EQ(reports.seen[0].second, 385);
}

// Inside the host's scene the generator's own BeginScene fails; the passes
// still draw into the maps, and its EndScene closes the host's scene, so the
// host's EndScene is the call that fails. The host's target and state are
// back as they were.
TEST(HostScene, UpdateInsideItDrawsTheMapsAndClosesTheScene)
{
    for (const DWORD version : kClasses)
    {
        const auto owned = swk::test::MakeDevice(version);
        TestDevice& device = *owned;
        CWaveGenerator g(&device, 32, 32);
        device.ClearCalls();
        ASSERT_EQ(device.BeginScene(), D3D_OK);
        g.Update(16);
        EXPECT_GT(device.CallCount("Clear"), 0);
        EXPECT_EQ(device.BackBufferWrites(), 0);
        EXPECT_EQ(device.CurrentRenderTarget(), device.BackBuffer());
        EXPECT_FALSE(device.InScene());
        EXPECT_EQ(device.EndScene(), D3DERR_INVALIDCALL);
    }
}

} // namespace
