// Every state a host sets must read back as set, unknown ones must be refused,
// and a new or reset device starts from Direct3D 9's defaults.
#include "DeviceTest.h"

#include <tuple>

namespace swk::test
{
namespace
{

using States = OpenDevice<16, 16, D3DFMT_X8R8G8B8, true>;

// The render states of Direct3D 9 as runs of consecutive values; the numbers
// between the runs are no states.
const D3DRENDERSTATETYPE kRenderStateRuns[][2] = {
    {D3DRS_ZENABLE, D3DRS_SHADEMODE},
    {D3DRS_ZWRITEENABLE, D3DRS_LASTPIXEL},
    {D3DRS_SRCBLEND, D3DRS_DESTBLEND},
    {D3DRS_CULLMODE, D3DRS_SPECULARENABLE},
    {D3DRS_FOGCOLOR, D3DRS_FOGDENSITY},
    {D3DRS_RANGEFOGENABLE, D3DRS_RANGEFOGENABLE},
    {D3DRS_STENCILENABLE, D3DRS_TEXTUREFACTOR},
    {D3DRS_WRAP0, D3DRS_LIGHTING},
    {D3DRS_AMBIENT, D3DRS_NORMALIZENORMALS},
    {D3DRS_DIFFUSEMATERIALSOURCE, D3DRS_EMISSIVEMATERIALSOURCE},
    {D3DRS_VERTEXBLEND, D3DRS_CLIPPLANEENABLE},
    {D3DRS_POINTSIZE, D3DRS_PATCHEDGESTYLE},
    {D3DRS_DEBUGMONITORTOKEN, D3DRS_COLORWRITEENABLE},
    {D3DRS_TWEENFACTOR, D3DRS_ANTIALIASEDLINEENABLE},
    {D3DRS_MINTESSELLATIONLEVEL, D3DRS_DEPTHBIAS},
    {D3DRS_WRAP8, D3DRS_BLENDOPALPHA}};

bool isRenderState(DWORD state)
{
    for (const auto& run : kRenderStateRuns)
        if (state >= DWORD(run[0]) && state <= DWORD(run[1]))
            return true;
    return false;
}

void expectDefaults(IDirect3DDevice9* device)
{
    // FOGEND holds the bits of 1.0f.
    const std::pair<D3DRENDERSTATETYPE, DWORD> defaults[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE}, // an automatic depth surface exists
        {D3DRS_CULLMODE, D3DCULL_CCW},   {D3DRS_LIGHTING, TRUE},
        {D3DRS_ZWRITEENABLE, TRUE},      {D3DRS_ALPHABLENDENABLE, FALSE},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},  {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL}, {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
        {D3DRS_FOGEND, 0x3f800000},      {D3DRS_STENCILMASK, 0xffffffff},
        {D3DRS_CLIPPING, TRUE},          {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {D3DRS_COLORWRITEENABLE, 0xf},   {D3DRS_TEXTUREFACTOR, 0xffffffff}};
    for (auto [state, expected] : defaults)
    {
        DWORD value = 0xdeadbeef;
        EXPECT_EQ(device->GetRenderState(state, &value), D3D_OK);
        EXPECT_EQ(value, expected) << "render state " << state;
    }
    // Stage 0 modulates, the others are off; stage s reads coordinate set s.
    const std::tuple<DWORD, D3DTEXTURESTAGESTATETYPE, DWORD> stageDefaults[] = {
        {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
        {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
        {3, D3DTSS_TEXCOORDINDEX, 3}};
    for (auto [stage, type, expected] : stageDefaults)
    {
        DWORD value = 0xdeadbeef;
        device->GetTextureStageState(stage, type, &value);
        EXPECT_EQ(value, expected) << "stage " << stage << " state " << type;
    }
    D3DMATRIX matrix{};
    for (D3DTRANSFORMSTATETYPE t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION})
    {
        EXPECT_EQ(device->GetTransform(t, &matrix), D3D_OK);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(matrix.m[i / 4][i % 4], i / 4 == i % 4 ? 1.0f : 0.0f) << t << ": " << i;
    }
    DWORD value = 0;
    device->GetSamplerState(5, D3DSAMP_MAGFILTER, &value);
    EXPECT_EQ(value, DWORD(D3DTEXF_POINT));
    device->GetSamplerState(D3DVERTEXTEXTURESAMPLER2, D3DSAMP_ADDRESSV, &value);
    EXPECT_EQ(value, DWORD(D3DTADDRESS_WRAP));
}

TEST_F(States, EveryRenderStateReadsBackWhatWasSetAndOthersAreRefused)
{
    const DWORD value = 0x1000;
    for (DWORD state = 0; state <= D3DRS_BLENDOPALPHA + 1; ++state)
        ASSERT_EQ(device_->SetRenderState(D3DRENDERSTATETYPE(state), value + state),
                  isRenderState(state) ? D3D_OK : D3DERR_INVALIDCALL)
            << state;
    for (DWORD state = 0; state <= D3DRS_BLENDOPALPHA + 1; ++state)
    {
        DWORD read = 0;
        ASSERT_EQ(device_->GetRenderState(D3DRENDERSTATETYPE(state), &read),
                  isRenderState(state) ? D3D_OK : D3DERR_INVALIDCALL)
            << state;
        EXPECT_EQ(read, isRenderState(state) ? value + state : 0) << state;
    }
}

// Sampler numbers past 15 (displacement and vertex samplers) have storage of
// their own; every sampler is set before any is read, so shared storage shows.
TEST_F(States, SamplerStatesReadBackPerSampler)
{
    const DWORD samplers[] = {
        0, 7, 15, D3DDMAPSAMPLER, D3DVERTEXTEXTURESAMPLER0, D3DVERTEXTEXTURESAMPLER3};
    for (DWORD sampler : samplers)
        for (DWORD type = D3DSAMP_ADDRESSU; type <= D3DSAMP_DMAPOFFSET; ++type)
            ASSERT_EQ(
                device_->SetSamplerState(sampler, D3DSAMPLERSTATETYPE(type), sampler * 31 + type),
                D3D_OK);
    for (DWORD sampler : samplers)
        for (DWORD type = D3DSAMP_ADDRESSU; type <= D3DSAMP_DMAPOFFSET; ++type)
        {
            DWORD read = 0;
            ASSERT_EQ(device_->GetSamplerState(sampler, D3DSAMPLERSTATETYPE(type), &read), D3D_OK);
            EXPECT_EQ(read, sampler * 31 + type) << sampler << "/" << type;
        }
}

TEST_F(States, ConstantsAndBoundObjectsReadBack)
{
    const float constants[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(device_->SetVertexShaderConstantF(254, constants, 2), D3D_OK);
    float back[8] = {};
    ASSERT_EQ(device_->GetVertexShaderConstantF(254, back, 2), D3D_OK);
    EXPECT_EQ(std::memcmp(back, constants, sizeof back), 0);

    auto vb = vertexBuffer(kFullQuad, sizeof kFullQuad, 0, 0x102, D3DPOOL_MANAGED);
    ASSERT_EQ(device_->SetStreamSource(0, vb.get(), 8, 20), D3D_OK);
    ComPtr<IDirect3DTexture9> texture = renderTarget(4, 4, D3DFMT_A8R8G8B8);
    ASSERT_EQ(device_->SetTexture(3, texture.get()), D3D_OK);
    const void *rawBuffer = vb.get(), *rawTexture = texture.get();
    vb.reset();
    texture.reset();

    // Bindings keep the objects; getters hand out new references.
    ComPtr<IDirect3DVertexBuffer9> stream;
    UINT offset = 0, stride = 0;
    ASSERT_EQ(device_->GetStreamSource(0, stream.out(), &offset, &stride), D3D_OK);
    EXPECT_EQ(static_cast<void*>(stream.get()), rawBuffer);
    EXPECT_EQ(offset, 8u);
    EXPECT_EQ(stride, 20u);
    ComPtr<IDirect3DBaseTexture9> bound;
    ASSERT_EQ(device_->GetTexture(3, bound.out()), D3D_OK);
    EXPECT_EQ(static_cast<void*>(bound.get()), rawTexture);
    ASSERT_EQ(device_->SetTexture(3, nullptr), D3D_OK);
    ASSERT_EQ(device_->GetTexture(3, bound.out()), D3D_OK);
    EXPECT_FALSE(bound);
}

TEST_F(States, NewAndResetDevicesStartFromDirect3DDefaults)
{
    expectDefaults(device_.get());
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device_->SetSamplerState(5, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    const D3DMATRIX zero{};
    device_->SetTransform(D3DTS_VIEW, &zero);
    const D3DVIEWPORT9 viewport{1, 1, 4, 4, 0.0f, 1.0f};
    device_->SetViewport(&viewport);
    D3DPRESENT_PARAMETERS pp = presentation(24, 20, D3DFMT_A8R8G8B8, true);
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    expectDefaults(device_.get());
    D3DVIEWPORT9 now{};
    device_->GetViewport(&now);
    EXPECT_EQ(now.Width, 24u);
    EXPECT_EQ(now.Height, 20u);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(device_->GetDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Width, 24u);
    // The adapter format of a display: the back buffer's format without alpha.
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
}

} // namespace
} // namespace swk::test
