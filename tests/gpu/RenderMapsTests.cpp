// The render passes of each path on the recording device: what they draw into
// which map, and the host's device state around them.
#include "GpuProbe.h"

#include <gtest/gtest.h>

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

// One frame as the device saw it: stream and format bindings, fixed-function
// state, effect calls, and every clear and draw tagged with the target it hit.
std::vector<std::string> PassTrace(TestDevice& device, CWaveGenerator& g)
{
    const auto level0 = [](IDirect3DTexture9* map)
    { return map ? static_cast<IDirect3DSurface9*>(&AsTexture(map)->Level(0)) : nullptr; };
    IDirect3DSurface9* height = level0(g.GetHeightMap());
    IDirect3DSurface9* normal = level0(g.GetNormalMap());
    std::vector<std::string> trace;
    device.onCall = [&](const swk::test::Call& c)
    {
        IDirect3DSurface9* target = device.CurrentRenderTarget();
        if (c.name == "Clear" || c.name == "DrawPrimitive")
            trace.push_back(c.Text() + (target == height   ? "@height"
                                        : target == normal ? "@normal"
                                                           : "@host"));
        else if (c.name == "SetStreamSource" || c.name == "SetFVF" || c.name == "SetMaterial" ||
                 c.name == "SetTextureStageState" || c.name.rfind("Effect", 0) == 0 ||
                 (c.name == "SetRenderState" && !IsOneOfTheNine(c.args)))
            trace.push_back(c.Text());
    };
    g.Update(16);
    device.onCall = nullptr;
    return trace;
}

const std::vector<std::string> kNormalPass20(
    {"Clear(0,NULL,0x1,0xFF7FFF7F,1,0)@normal", "Effect102.SetTechnique(T20)",
     "Effect102.Begin(NULL,0)", "Effect102.BeginPass(0)",
     "Effect102.SetFloat(fInvMapWidth,0.001953125)", "Effect102.SetFloat(fInvMapHeight,0.00390625)",
     "Effect102.SetTexture(HeightMap,texture)", "Effect102.CommitChanges()",
     "DrawPrimitive(4,0,2)@normal", "Effect102.EndPass()", "Effect102.End()"});

// A trace with "strips" where the grid is drawn row by row.
struct PassCase
{
    const char* name;
    DWORD version;
    int width, height;
    int failedFetches;
    std::vector<std::string> trace;
};

std::vector<PassCase> PassCases()
{
    std::vector<std::string> quad = {"SetStreamSource(0,buffer,0,20)", "SetFVF(0x102)"};
    std::vector<std::string> ps20 = quad;
    ps20.insert(ps20.end(),
                {"Clear(0,NULL,0x1,0xFF7F7F7F,1,0)@height", "Effect101.SetTechnique(T1X)",
                 "Effect101.Begin(NULL,0)", "Effect101.BeginPass(0)",
                 "Effect101.SetTexture(Noise0,texture)", "Effect101.SetTexture(Noise1,texture)",
                 "Effect101.CommitChanges()", "DrawPrimitive(4,0,2)@height", "Effect101.EndPass()",
                 "Effect101.End()"});
    ps20.insert(ps20.end(), kNormalPass20.begin(), kNormalPass20.end());
    // Without the height map's surface only the height pass is skipped.
    quad.insert(quad.end(), kNormalPass20.begin(), kNormalPass20.end());
    const std::vector<std::string> ps11(
        {"SetStreamSource(0,buffer,0,32)", "SetFVF(0x112)",
         "Clear(0,NULL,0x1,0xFF7FFF7F,1,0)@normal", "Effect102.SetTechnique(T10)",
         "Effect102.Begin(NULL,0)", "Effect102.BeginPass(0)",
         "Effect102.SetFloat(fInvMapWidth,0.125)", "Effect102.SetFloat(fInvMapHeight,0.166666672)",
         "Effect102.SetTexture(HeightMap,NULL)", "Effect102.CommitChanges()", "strips",
         "Effect102.EndPass()", "Effect102.End()"});
    // The stage states select the vertex colours; no effect is touched.
    const std::vector<std::string> fixedFunction(
        {"SetStreamSource(0,buffer,0,20)", "SetFVF(0x44)",
         "Clear(0,NULL,0x1,0xFFFFFFFF,1,0)@normal", "SetMaterial()", "SetRenderState(145,0)",
         "SetTextureStageState(0,1,2)", "SetTextureStageState(0,4,2)",
         "SetTextureStageState(0,2,0)", "SetTextureStageState(0,5,0)",
         "SetTextureStageState(1,1,1)", "strips"});
    return {{"PixelShader20", kPS20, 512, 256, 0, ps20},
            {"HeightSurfaceMissing", kPS20, 512, 256, 1, quad},
            {"PixelShader11", kPS14, 16, 12, 0, ps11},
            {"FixedFunction", kNoPS, 32, 24, 0, fixedFunction}};
}

class Passes : public testing::TestWithParam<PassCase>
{
};

TEST_P(Passes, DrawEachMapFromItsGeometryWithItsEffect)
{
    const PassCase& c = GetParam();
    auto device = MakeDevice(c.version);
    CWaveGenerator g(device.get(), c.width, c.height);
    // What a host may have left: a grey material and a textured stage 0.
    D3DMATERIAL9 grey{};
    grey.Diffuse.r = grey.Diffuse.g = grey.Diffuse.b = grey.Diffuse.a = 0.5f;
    device->SetMaterial(&grey);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    if (c.failedFetches)
        device->Fail("GetSurfaceLevel", D3DERR_INVALIDCALL, c.failedFetches);

    std::vector<std::string> expected;
    const int W = Probe::GridWidth(g), H = Probe::GridHeight(g);
    for (const std::string& s : c.trace)
        if (s != "strips")
            expected.push_back(s);
        else
            for (int r = 0; r < H; r++)
                expected.push_back("DrawPrimitive(5," + std::to_string(2 * W * r) + "," +
                                   std::to_string(2 * (W - 1)) + ")@normal");
    EXPECT_EQ(PassTrace(*device, g), expected);
    // The passes leave their buffer bound.
    EXPECT_EQ(device->Stream(), c.version == kPS20 ? Probe::QuadVB(g) : Probe::GridVB(g));
    if (c.version == kNoPS)
    {
        EXPECT_EQ(std::memcmp(&device->Material(), &Probe::Material(g), sizeof(D3DMATERIAL9)), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, Passes, testing::ValuesIn(PassCases()),
                         [](const testing::TestParamInfo<PassCase>& info)
                         { return std::string(info.param.name); });

// The host's own target, depth buffer, a viewport smaller than its target and
// the nine states that the passes switch off.
struct HostState
{
    explicit HostState(TestDevice& d) : device(d)
    {
        // Surfaces of default-pool textures: the host's reference counts on each.
        for (IDirect3DSurface9** surface : {&target, &depth})
        {
            IDirect3DTexture9* texture = nullptr;
            device.CreateTexture(320, 240, 1,
                                 surface == &target ? D3DUSAGE_RENDERTARGET : D3DUSAGE_DEPTHSTENCIL,
                                 surface == &target ? D3DFMT_A8R8G8B8 : D3DFMT_D24S8,
                                 D3DPOOL_DEFAULT, &texture, nullptr);
            texture->GetSurfaceLevel(0, surface);
            texture->Release();
        }
        device.SetRenderTarget(0, target);
        device.SetDepthStencilSurface(depth);
        device.SetViewport(&viewport);
        for (int i = 0; i < 9; i++)
            device.SetRenderState(kNine[i], kHostValues[i]);
        targetRefs = refCount(target);
        depthRefs = refCount(depth);
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
        EXPECT_EQ(device.CurrentDepthStencil(), depth);
        D3DVIEWPORT9 now;
        device.GetViewport(&now);
        EXPECT_EQ(std::memcmp(&now, &viewport, sizeof now), 0)
            << now.X << "," << now.Y << " " << now.Width << "x" << now.Height;
        for (int i = 0; i < 9; i++)
            EXPECT_EQ(device.RenderState(kNine[i]), kHostValues[i]) << "state " << kNine[i];
        EXPECT_EQ(refCount(target), targetRefs);
        EXPECT_EQ(refCount(depth), depthRefs);
        EXPECT_FALSE(device.InScene());
    }

    TestDevice& device;
    IDirect3DSurface9* target = nullptr;
    IDirect3DSurface9* depth = nullptr;
    D3DVIEWPORT9 viewport{10, 20, 300, 200, 0.25f, 0.75f};
    ULONG targetRefs = 0, depthRefs = 0;
};

// Without the host's target a pass would leave a map bound for the host to
// draw into, so nothing is drawn that frame; the passes never change the depth
// buffer, so one that could not be fetched stays bound.
const struct
{
    const char* call;
    int count;
    bool draws[2]; // in the frame with the failure and in the next
} kHostFailures[] = {{"", 0, {true, true}},
                     {"GetSurfaceLevel", -1, {false, false}},
                     {"GetRenderTarget", 1, {false, true}},
                     {"GetDepthStencilSurface", 1, {true, true}}};

class EveryPath : public testing::TestWithParam<DWORD>
{
};

TEST_P(EveryPath, HostStateAndReferencesAreAsBeforeAfterEachFrame)
{
    for (const auto& f : kHostFailures)
    {
        SCOPED_TRACE(f.call);
        auto device = MakeDevice(GetParam());
        CWaveGenerator g(device.get(), 64, 32);
        HostState host(*device);
        IDirect3DTexture9* maps[2] = {g.GetNormalMap(), g.GetHeightMap()};
        ULONG mapRefs[2] = {refCount(maps[0]), maps[1] ? refCount(maps[1]) : 0};
        const ULONG deviceRefs = refCount(device.get());
        const size_t watched = CD3DWatch::GetWatchedCount();
        if (*f.call)
            device->Fail(f.call, D3DERR_INVALIDCALL, f.count);
        for (int frame = 0; frame < 2; frame++)
        {
            device->ClearCalls();
            g.Update(16);
            EXPECT_EQ(device->CallCount("Clear") > 0, f.draws[frame]) << frame;
            EXPECT_EQ(device->CallCount("DrawPrimitive") > 0, f.draws[frame]) << frame;
            host.ExpectUnchanged();
            EXPECT_EQ(refCount(maps[0]), mapRefs[0]);
            if (maps[1])
            {
                EXPECT_EQ(refCount(maps[1]), mapRefs[1]);
            }
            EXPECT_EQ(refCount(device.get()), deviceRefs);
            EXPECT_EQ(CD3DWatch::GetWatchedCount(), watched);
        }
        if (*f.call)
            continue;
        // During the passes: the map viewport, and the nine states switched off in order.
        EXPECT_EQ(device->CallTexts("SetViewport").front(),
                  "SetViewport(0,0," + std::to_string(Probe::Width(g)) + "," +
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
}

INSTANTIATE_TEST_SUITE_P(Paths, EveryPath, testing::Values(kPS20, kPS11, kNoPS));

// A watch that forgets what it holds at each clear reports each release after
// it with its line: the pass targets', then the host's target and depth buffer.
TEST(Passes, EachReleaseNamesItsOwnLine)
{
    const std::pair<DWORD, std::vector<int>> cases[] = {
        {kPS20, {902, 956, 978, 979}}, {kPS11, {956, 978, 979}}, {kNoPS, {868, 978, 979}}};
    for (const auto& [version, lines] : cases)
    {
        std::vector<int> reported;
        auto previous = CD3DWatch::SetReportSink([&](const char*, int line, const char*)
                                                 { reported.push_back(line); });
        {
            auto device = MakeDevice(version);
            CWaveGenerator g(device.get(), 32, 32);
            device->onCall = [](const swk::test::Call& c)
            {
                if (c.name == "Clear")
                    CD3DWatch::ResetWatch();
            };
            g.Update(16);
            device->onCall = nullptr;
            EXPECT_EQ(reported, lines) << std::hex << version;
        }
        CD3DWatch::SetReportSink(previous);
    }
}

} // namespace
