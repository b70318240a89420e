// The render passes of each path on the recording device: what they draw into
// which map, and the host's device state around them.
#include "GpuProbe.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace
{

using namespace gputest;

const D3DRENDERSTATETYPE kNine[9] = {D3DRS_LIGHTING, D3DRS_FOGENABLE,        D3DRS_CULLMODE,
                                     D3DRS_CLIPPING, D3DRS_ALPHABLENDENABLE, D3DRS_ALPHATESTENABLE,
                                     D3DRS_ZENABLE,  D3DRS_ZWRITEENABLE,     D3DRS_STENCILENABLE};
// What a host might have set: every value differs from the one the passes use.
const DWORD kHostValues[9] = {TRUE, TRUE, D3DCULL_CW, TRUE, TRUE, TRUE, D3DZB_USEW, TRUE, TRUE};

bool IsOneOfTheNine(const std::string& args)
{
    const int state = std::stoi(args.substr(0, args.find(',')));
    return std::find(std::begin(kNine), std::end(kNine), state) != std::end(kNine);
}

// The passes as the device saw them: stream and format bindings, fixed-function
// state, effect calls, and every clear and draw tagged with the target it hit.
// The target follows the log: a SetRenderTarget that the device accepted
// switches to the surface fetched last, or back to the host's when none was.
// The first failedFetches surface fetches are known to have failed.
std::vector<std::string> PassTrace(const TestDevice& device, CWaveGenerator& g,
                                   int failedFetches = 0)
{
    std::vector<std::string> trace;
    std::string current = "host", pending;
    int fetch = 0;
    for (const swk::test::Call& c : device.Calls())
    {
        if (c.name == "GetSurfaceLevel")
        {
            const bool failed = fetch++ < failedFetches;
            pending = failed                                       ? ""
                      : c.object == AsTexture(Probe::HeightMap(g)) ? "height"
                      : c.object == AsTexture(Probe::NormalMap(g)) ? "normal"
                                                                   : "other";
        }
        else if (c.name == "SetRenderTarget" && c.args == "0,surface")
        {
            current = pending.empty() ? "host" : pending;
            pending.clear();
        }
        else if (c.name == "Clear" || c.name == "DrawPrimitive")
            trace.push_back(c.Text() + "@" + current);
        else if (c.name == "SetStreamSource" || c.name == "SetFVF" || c.name == "SetMaterial" ||
                 c.name == "SetTextureStageState" || c.name.rfind("Effect", 0) == 0 ||
                 (c.name == "SetRenderState" && !IsOneOfTheNine(c.args)))
            trace.push_back(c.Text());
    }
    return trace;
}

std::string FloatText(float f)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", f);
    return text;
}

std::vector<std::string> Strips(int W, int H)
{
    std::vector<std::string> draws;
    for (int r = 0; r < H; r++)
        draws.push_back("DrawPrimitive(5," + std::to_string(2 * W * r) + "," +
                        std::to_string(2 * (W - 1)) + ")@normal");
    return draws;
}

// The buffer on stream 0, which the passes leave bound.
IDirect3DVertexBuffer9* BoundStream(TestDevice& device)
{
    IDirect3DVertexBuffer9* stream = nullptr;
    UINT offset = 0, stride = 0;
    device.GetStreamSource(0, &stream, &offset, &stride);
    if (stream)
        stream->Release();
    return stream;
}

void ExpectNothingDrawn(const std::vector<std::string>& trace)
{
    for (const std::string& s : trace)
        EXPECT_TRUE(s.rfind("Clear", 0) == std::string::npos &&
                    s.rfind("Draw", 0) == std::string::npos)
            << s;
}

template <typename T> void Append(std::vector<T>& to, const std::vector<T>& from)
{
    to.insert(to.end(), from.begin(), from.end());
}

TEST(Passes, PixelShader20DrawsTheHeightMapThenTheNormalMapFromTheQuad)
{
    auto device = MakeDevice(kPS20);
    CWaveGenerator g(device.get(), 512, 256);
    device->ClearCalls();
    g.Update(16);
    const std::vector<std::string> expected = {
        "SetStreamSource(0,buffer,0,20)",
        "SetFVF(0x102)",
        "Clear(0,NULL,0x1,0xFF7F7F7F,1,0)@height",
        "Effect101.SetTechnique(T1X)",
        "Effect101.Begin(NULL,0)",
        "Effect101.BeginPass(0)",
        "Effect101.SetTexture(Noise0,texture)",
        "Effect101.SetTexture(Noise1,texture)",
        "Effect101.CommitChanges()",
        "DrawPrimitive(4,0,2)@height",
        "Effect101.EndPass()",
        "Effect101.End()",
        "Clear(0,NULL,0x1,0xFF7FFF7F,1,0)@normal",
        "Effect102.SetTechnique(T20)",
        "Effect102.Begin(NULL,0)",
        "Effect102.BeginPass(0)",
        "Effect102.SetFloat(fInvMapWidth,0.001953125)",
        "Effect102.SetFloat(fInvMapHeight,0.00390625)",
        "Effect102.SetTexture(HeightMap,texture)",
        "Effect102.CommitChanges()",
        "DrawPrimitive(4,0,2)@normal",
        "Effect102.EndPass()",
        "Effect102.End()",
    };
    EXPECT_EQ(PassTrace(*device, g), expected);
    EXPECT_EQ(BoundStream(*device), Probe::QuadVB(g));
}

TEST(Passes, PixelShader11DrawsOnlyTheNormalMapFromTheGridWithoutAHeightMap)
{
    auto device = MakeDevice(kPS14);
    CWaveGenerator g(device.get(), 16, 12);
    const int W = 8, H = 6;
    ASSERT_EQ(Probe::GridWidth(g), W);
    ASSERT_EQ(Probe::GridHeight(g), H);
    device->ClearCalls();
    g.Update(16);
    std::vector<std::string> expected = {
        "SetStreamSource(0,buffer,0,32)",
        "SetFVF(0x112)",
        "Clear(0,NULL,0x1,0xFF7FFF7F,1,0)@normal",
        "Effect102.SetTechnique(T10)",
        "Effect102.Begin(NULL,0)",
        "Effect102.BeginPass(0)",
        "Effect102.SetFloat(fInvMapWidth,0.125)",
        "Effect102.SetFloat(fInvMapHeight," + FloatText(1.0f / 6.0f) + ")",
        "Effect102.SetTexture(HeightMap,NULL)",
        "Effect102.CommitChanges()",
    };
    Append(expected, Strips(W, H));
    Append(expected, {"Effect102.EndPass()", "Effect102.End()"});
    EXPECT_EQ(PassTrace(*device, g), expected);
    EXPECT_EQ(BoundStream(*device), Probe::GridVB(g));
}

TEST(Passes, BelowPixelShader11TheFixedFunctionPipelineDrawsTheGridColours)
{
    auto device = MakeDevice(kNoPS);
    CWaveGenerator g(device.get(), 32, 24);
    const int W = 8, H = 6;
    ASSERT_EQ(Probe::GridWidth(g), W);
    ASSERT_EQ(Probe::GridHeight(g), H);
    // What a host may have left: a grey material and a textured stage 0.
    D3DMATERIAL9 grey;
    std::memset(&grey, 0, sizeof grey);
    grey.Diffuse.r = grey.Diffuse.g = grey.Diffuse.b = grey.Diffuse.a = 0.5f;
    device->SetMaterial(&grey);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->ClearCalls();
    g.Update(16);

    std::vector<std::string> expected = {
        "SetStreamSource(0,buffer,0,20)",
        "SetFVF(0x44)",
        "Clear(0,NULL,0x1,0xFFFFFFFF,1,0)@normal",
        "SetMaterial()",
        "SetRenderState(145,0)",
        "SetTextureStageState(0,1,2)",
        "SetTextureStageState(0,4,2)",
        "SetTextureStageState(0,2,0)",
        "SetTextureStageState(0,5,0)",
        "SetTextureStageState(1,1,1)",
    };
    Append(expected, Strips(W, H));
    EXPECT_EQ(PassTrace(*device, g), expected);
    EXPECT_EQ(BoundStream(*device), Probe::GridVB(g));

    // The trace shows the stage states and that no effect is touched; the
    // material is the generator's own.
    EXPECT_EQ(std::memcmp(&device->Material(), &Probe::Material(g), sizeof(D3DMATERIAL9)), 0);
}

// The host's own target, depth buffer, a viewport smaller than its target and
// the nine states that the passes switch off.
struct HostState
{
    explicit HostState(TestDevice& d) : device(d)
    {
        device.CreateRenderTarget(320, 240, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &target,
                                  nullptr);
        device.CreateDepthStencilSurface(320, 240, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                         &depth, nullptr);
        device.SetRenderTarget(0, target);
        device.SetDepthStencilSurface(depth);
        viewport = D3DVIEWPORT9{10, 20, 300, 200, 0.25f, 0.75f};
        device.SetViewport(&viewport);
        for (int i = 0; i < 9; i++)
            device.SetRenderState(kNine[i], kHostValues[i]);
        targetRefs = References(target);
        depthRefs = References(depth);
    }
    ~HostState()
    {
        device.SetRenderTarget(0, device.BackBuffer());
        device.SetDepthStencilSurface(device.DepthStencil());
        target->Release();
        depth->Release();
    }

    void ExpectUnchanged()
    {
        EXPECT_EQ(device.CurrentRenderTarget(), target);
        IDirect3DSurface9* currentDepth = nullptr;
        device.GetDepthStencilSurface(&currentDepth);
        EXPECT_EQ(currentDepth, depth);
        if (currentDepth)
            currentDepth->Release();
        D3DVIEWPORT9 now;
        device.GetViewport(&now);
        EXPECT_EQ(std::memcmp(&now, &viewport, sizeof now), 0)
            << now.X << "," << now.Y << " " << now.Width << "x" << now.Height;
        for (int i = 0; i < 9; i++)
            EXPECT_EQ(device.RenderState(kNine[i]), kHostValues[i]) << "state " << kNine[i];
        EXPECT_EQ(References(target), targetRefs);
        EXPECT_EQ(References(depth), depthRefs);
        EXPECT_FALSE(device.InScene());
    }

    TestDevice& device;
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* depth = nullptr;
    D3DVIEWPORT9 viewport;
    ULONG targetRefs = 0, depthRefs = 0;
};

class EveryPath : public testing::TestWithParam<DWORD>
{
};

TEST_P(EveryPath, HostStateAndReferencesAreAsBeforeAfterEachFrame)
{
    auto device = MakeDevice(GetParam());
    CWaveGenerator g(device.get(), 64, 32);
    HostState host(*device);
    IDirect3DTexture9* maps[2] = {g.GetNormalMap(), g.GetHeightMap()};
    ULONG mapRefs[2] = {References(maps[0]), maps[1] ? References(maps[1]) : 0};
    const ULONG deviceRefs = References(device.get());
    const size_t watched = CD3DWatch::GetWatchedCount();

    for (int frame = 0; frame < 3; frame++)
    {
        device->ClearCalls();
        g.Update(16);
        host.ExpectUnchanged();
        EXPECT_EQ(References(maps[0]), mapRefs[0]);
        if (maps[1])
        {
            EXPECT_EQ(References(maps[1]), mapRefs[1]);
        }
        EXPECT_EQ(References(device.get()), deviceRefs);
        EXPECT_EQ(CD3DWatch::GetWatchedCount(), watched);
    }

    // During the passes: the map viewport, and the nine states switched off in order.
    const auto viewports = device->CallTexts("SetViewport");
    ASSERT_FALSE(viewports.empty());
    EXPECT_EQ(viewports.front(), "SetViewport(0,0," + std::to_string(Probe::Width(g)) + "," +
                                     std::to_string(Probe::Height(g)) + ",0,1)");
    std::vector<std::string> off;
    for (const std::string& s : device->CallTexts("SetRenderState"))
        if (IsOneOfTheNine(s.substr(s.find('(') + 1)) && off.size() < 9)
            off.push_back(s);
    EXPECT_EQ(off, (std::vector<std::string>{
                       "SetRenderState(137,0)", "SetRenderState(28,0)", "SetRenderState(22,1)",
                       "SetRenderState(136,0)", "SetRenderState(27,0)", "SetRenderState(15,0)",
                       "SetRenderState(7,0)", "SetRenderState(14,0)", "SetRenderState(52,0)"}));
}

TEST_P(EveryPath, WithoutTargetSurfacesNothingIsClearedOrDrawnAndTheHostIsRestored)
{
    auto device = MakeDevice(GetParam());
    CWaveGenerator g(device.get(), 32, 32);
    HostState host(*device);
    const size_t watched = CD3DWatch::GetWatchedCount();
    device->Fail("GetSurfaceLevel");
    device->ClearCalls();
    g.Update(16);
    const int fetches = device->CallCount("GetSurfaceLevel");
    EXPECT_EQ(fetches, GetParam() == kPS20 ? 2 : 1);
    ExpectNothingDrawn(PassTrace(*device, g, fetches));
    host.ExpectUnchanged();
    EXPECT_EQ(CD3DWatch::GetWatchedCount(), watched);
}

// The host's target could not be set back, so a pass would leave a map bound
// for the host to draw into: nothing is drawn that frame.
TEST_P(EveryPath, WithoutTheHostsTargetNothingIsDrawnAndTheTargetStays)
{
    auto device = MakeDevice(GetParam());
    CWaveGenerator g(device.get(), 32, 32);
    HostState host(*device);
    device->Fail("GetRenderTarget", D3DERR_INVALIDCALL, 1);
    device->ClearCalls();
    g.Update(16);
    ExpectNothingDrawn(PassTrace(*device, g));
    host.ExpectUnchanged();

    // The next frame draws again.
    device->ClearCalls();
    g.Update(16);
    EXPECT_GT(device->CallCount("DrawPrimitive"), 0);
    host.ExpectUnchanged();
}

// The passes never change the depth buffer: one that could not be fetched,
// and the absence of one, are both left as they were.
TEST_P(EveryPath, TheHostsDepthBufferOrItsAbsenceIsLeftAsItWas)
{
    auto device = MakeDevice(GetParam());
    CWaveGenerator g(device.get(), 32, 32);
    {
        HostState host(*device);
        device->Fail("GetDepthStencilSurface", D3DERR_INVALIDCALL, 1);
        g.Update(16);
        host.ExpectUnchanged();
    }
    device->SetDepthStencilSurface(nullptr);
    device->ClearCalls();
    g.Update(16);
    EXPECT_GT(device->CallCount("DrawPrimitive"), 0);
    IDirect3DSurface9* depth = nullptr;
    EXPECT_EQ(device->GetDepthStencilSurface(&depth), D3DERR_NOTFOUND);
    EXPECT_EQ(depth, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Paths, EveryPath, testing::Values(kPS20, kPS11, kNoPS));

TEST(FailedTarget, AMissingHeightSurfaceSkipsOnlyTheHeightPass)
{
    auto device = MakeDevice(kPS20);
    CWaveGenerator g(device.get(), 64, 64);
    device->Fail("GetSurfaceLevel", D3DERR_INVALIDCALL, 1);
    device->ClearCalls();
    g.Update(16);
    const auto trace = PassTrace(*device, g, 1);
    for (const std::string& s : trace)
    {
        EXPECT_EQ(s.find("@host"), std::string::npos) << s;
        EXPECT_EQ(s.find("@height"), std::string::npos) << s;
        EXPECT_EQ(s.find("Effect101"), std::string::npos) << s;
    }
    EXPECT_NE(std::find(trace.begin(), trace.end(), "Clear(0,NULL,0x1,0xFF7FFF7F,1,0)@normal"),
              trace.end());
    EXPECT_NE(std::find(trace.begin(), trace.end(), "DrawPrimitive(4,0,2)@normal"), trace.end());
    EXPECT_NE(std::find(trace.begin(), trace.end(), "Effect102.SetTechnique(T20)"), trace.end());
}

} // namespace
