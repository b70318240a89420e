// Every state a host sets must read back as set, unknown ones must be refused
// without effect, and a reset device starts from Direct3D 9's defaults.
#include "DeviceTest.h"

namespace swk::test
{
namespace
{

class States : public DeviceTest
{
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        device_ = createDevice(16, 16, D3DFMT_X8R8G8B8, true);
        ASSERT_TRUE(device_);
    }
};

// The render states of Direct3D 9, and a few of their documented defaults.
const D3DRENDERSTATETYPE kRenderStates[] = {D3DRS_ZENABLE,
                                            D3DRS_FILLMODE,
                                            D3DRS_SHADEMODE,
                                            D3DRS_ZWRITEENABLE,
                                            D3DRS_ALPHATESTENABLE,
                                            D3DRS_LASTPIXEL,
                                            D3DRS_SRCBLEND,
                                            D3DRS_DESTBLEND,
                                            D3DRS_CULLMODE,
                                            D3DRS_ZFUNC,
                                            D3DRS_ALPHAREF,
                                            D3DRS_ALPHAFUNC,
                                            D3DRS_DITHERENABLE,
                                            D3DRS_ALPHABLENDENABLE,
                                            D3DRS_FOGENABLE,
                                            D3DRS_SPECULARENABLE,
                                            D3DRS_FOGCOLOR,
                                            D3DRS_FOGTABLEMODE,
                                            D3DRS_FOGSTART,
                                            D3DRS_FOGEND,
                                            D3DRS_FOGDENSITY,
                                            D3DRS_RANGEFOGENABLE,
                                            D3DRS_STENCILENABLE,
                                            D3DRS_STENCILFAIL,
                                            D3DRS_STENCILZFAIL,
                                            D3DRS_STENCILPASS,
                                            D3DRS_STENCILFUNC,
                                            D3DRS_STENCILREF,
                                            D3DRS_STENCILMASK,
                                            D3DRS_STENCILWRITEMASK,
                                            D3DRS_TEXTUREFACTOR,
                                            D3DRS_WRAP0,
                                            D3DRS_WRAP7,
                                            D3DRS_CLIPPING,
                                            D3DRS_LIGHTING,
                                            D3DRS_AMBIENT,
                                            D3DRS_FOGVERTEXMODE,
                                            D3DRS_COLORVERTEX,
                                            D3DRS_LOCALVIEWER,
                                            D3DRS_NORMALIZENORMALS,
                                            D3DRS_DIFFUSEMATERIALSOURCE,
                                            D3DRS_SPECULARMATERIALSOURCE,
                                            D3DRS_AMBIENTMATERIALSOURCE,
                                            D3DRS_EMISSIVEMATERIALSOURCE,
                                            D3DRS_VERTEXBLEND,
                                            D3DRS_CLIPPLANEENABLE,
                                            D3DRS_POINTSIZE,
                                            D3DRS_POINTSIZE_MIN,
                                            D3DRS_POINTSPRITEENABLE,
                                            D3DRS_POINTSCALEENABLE,
                                            D3DRS_POINTSCALE_A,
                                            D3DRS_POINTSCALE_B,
                                            D3DRS_POINTSCALE_C,
                                            D3DRS_MULTISAMPLEANTIALIAS,
                                            D3DRS_MULTISAMPLEMASK,
                                            D3DRS_PATCHEDGESTYLE,
                                            D3DRS_DEBUGMONITORTOKEN,
                                            D3DRS_POINTSIZE_MAX,
                                            D3DRS_INDEXEDVERTEXBLENDENABLE,
                                            D3DRS_COLORWRITEENABLE,
                                            D3DRS_TWEENFACTOR,
                                            D3DRS_BLENDOP,
                                            D3DRS_POSITIONDEGREE,
                                            D3DRS_NORMALDEGREE,
                                            D3DRS_SCISSORTESTENABLE,
                                            D3DRS_SLOPESCALEDEPTHBIAS,
                                            D3DRS_ANTIALIASEDLINEENABLE,
                                            D3DRS_MINTESSELLATIONLEVEL,
                                            D3DRS_MAXTESSELLATIONLEVEL,
                                            D3DRS_ADAPTIVETESS_X,
                                            D3DRS_ADAPTIVETESS_Y,
                                            D3DRS_ADAPTIVETESS_Z,
                                            D3DRS_ADAPTIVETESS_W,
                                            D3DRS_ENABLEADAPTIVETESSELLATION,
                                            D3DRS_TWOSIDEDSTENCILMODE,
                                            D3DRS_CCW_STENCILFAIL,
                                            D3DRS_CCW_STENCILZFAIL,
                                            D3DRS_CCW_STENCILPASS,
                                            D3DRS_CCW_STENCILFUNC,
                                            D3DRS_COLORWRITEENABLE1,
                                            D3DRS_COLORWRITEENABLE2,
                                            D3DRS_COLORWRITEENABLE3,
                                            D3DRS_BLENDFACTOR,
                                            D3DRS_SRGBWRITEENABLE,
                                            D3DRS_DEPTHBIAS,
                                            D3DRS_WRAP8,
                                            D3DRS_WRAP15,
                                            D3DRS_SEPARATEALPHABLENDENABLE,
                                            D3DRS_SRCBLENDALPHA,
                                            D3DRS_DESTBLENDALPHA,
                                            D3DRS_BLENDOPALPHA};

DWORD floatBits(float f)
{
    DWORD d;
    std::memcpy(&d, &f, sizeof d);
    return d;
}

void expectDefaults(IDirect3DDevice9* device)
{
    const struct
    {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } defaults[] = {{D3DRS_ZENABLE, D3DZB_TRUE}, // an automatic depth surface exists
                    {D3DRS_CULLMODE, D3DCULL_CCW},   {D3DRS_LIGHTING, TRUE},
                    {D3DRS_ZWRITEENABLE, TRUE},      {D3DRS_ALPHABLENDENABLE, FALSE},
                    {D3DRS_SRCBLEND, D3DBLEND_ONE},  {D3DRS_DESTBLEND, D3DBLEND_ZERO},
                    {D3DRS_ZFUNC, D3DCMP_LESSEQUAL}, {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
                    {D3DRS_FOGEND, floatBits(1.0f)}, {D3DRS_STENCILMASK, 0xffffffff},
                    {D3DRS_CLIPPING, TRUE},          {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
                    {D3DRS_COLORWRITEENABLE, 0xf},   {D3DRS_TEXTUREFACTOR, 0xffffffff}};
    for (const auto& d : defaults)
    {
        DWORD value = 0xdeadbeef;
        EXPECT_EQ(device->GetRenderState(d.state, &value), D3D_OK);
        EXPECT_EQ(value, d.value) << "render state " << d.state;
    }
    DWORD op = 0;
    device->GetTextureStageState(0, D3DTSS_COLOROP, &op);
    EXPECT_EQ(op, DWORD(D3DTOP_MODULATE));
    device->GetTextureStageState(1, D3DTSS_COLOROP, &op);
    EXPECT_EQ(op, DWORD(D3DTOP_DISABLE));
    DWORD index = 0;
    device->GetTextureStageState(3, D3DTSS_TEXCOORDINDEX, &index);
    EXPECT_EQ(index, 3u);
    DWORD filter = 0;
    device->GetSamplerState(5, D3DSAMP_MAGFILTER, &filter);
    EXPECT_EQ(filter, DWORD(D3DTEXF_POINT));
    DWORD addressMode = 0;
    device->GetSamplerState(D3DVERTEXTEXTURESAMPLER2, D3DSAMP_ADDRESSV, &addressMode);
    EXPECT_EQ(addressMode, DWORD(D3DTADDRESS_WRAP));
}

TEST_F(States, NewDeviceHasDirect3DDefaults)
{
    expectDefaults(device_.get());
}

TEST_F(States, EveryRenderStateReadsBackWhatWasSet)
{
    DWORD value = 0x1000;
    for (D3DRENDERSTATETYPE state : kRenderStates)
        ASSERT_EQ(device_->SetRenderState(state, value + state), D3D_OK) << state;
    for (D3DRENDERSTATETYPE state : kRenderStates)
    {
        DWORD read = 0;
        ASSERT_EQ(device_->GetRenderState(state, &read), D3D_OK) << state;
        EXPECT_EQ(read, value + state) << state;
    }
}

TEST_F(States, StageAndSamplerStatesReadBackPerStageAndSampler)
{
    for (DWORD stage = 0; stage < 8; ++stage)
        for (DWORD type = D3DTSS_COLOROP; type <= D3DTSS_CONSTANT; ++type)
        {
            const HRESULT set = device_->SetTextureStageState(stage, D3DTEXTURESTAGESTATETYPE(type),
                                                              100 * stage + type);
            if (set != D3D_OK)
                continue; // gaps in the numbering
            DWORD read = 0;
            ASSERT_EQ(device_->GetTextureStageState(stage, D3DTEXTURESTAGESTATETYPE(type), &read),
                      D3D_OK);
            EXPECT_EQ(read, 100 * stage + type);
        }
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

TEST_F(States, UnknownStatesAreRefusedAndChangeNothing)
{
    DWORD before = 0;
    device_->GetRenderState(D3DRS_CULLMODE, &before);
    EXPECT_EQ(device_->SetRenderState(D3DRENDERSTATETYPE(1), 5), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetRenderState(D3DRENDERSTATETYPE(210), 5), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_ADD), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetTextureStageState(0, D3DTEXTURESTAGESTATETYPE(12), 1),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetSamplerState(16, D3DSAMP_MAGFILTER, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetSamplerState(0, D3DSAMPLERSTATETYPE(14), 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetRenderState(D3DRS_CULLMODE, nullptr), D3DERR_INVALIDCALL);
    DWORD after = 0;
    device_->GetRenderState(D3DRS_CULLMODE, &after);
    EXPECT_EQ(after, before);
    expectDefaults(device_.get());
}

TEST_F(States, TransformsMaterialShadersAndConstantsRoundTrip)
{
    D3DMATRIX m{};
    for (int i = 0; i < 16; ++i)
        m.m[i / 4][i % 4] = float(i) + 0.5f;
    ASSERT_EQ(device_->SetTransform(D3DTS_PROJECTION, &m), D3D_OK);
    D3DMATRIX read{};
    ASSERT_EQ(device_->GetTransform(D3DTS_PROJECTION, &read), D3D_OK);
    EXPECT_EQ(std::memcmp(&m, &read, sizeof m), 0);
    ASSERT_EQ(device_->GetTransform(D3DTS_WORLD, &read), D3D_OK);
    EXPECT_EQ(read._11, 1.0f);
    EXPECT_EQ(read._12, 0.0f);

    D3DMATERIAL9 material{};
    material.Diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
    material.Power = 3.0f;
    ASSERT_EQ(device_->SetMaterial(&material), D3D_OK);
    D3DMATERIAL9 readMaterial{};
    ASSERT_EQ(device_->GetMaterial(&readMaterial), D3D_OK);
    EXPECT_EQ(std::memcmp(&material, &readMaterial, sizeof material), 0);

    const float constants[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(device_->SetVertexShaderConstantF(254, constants, 2), D3D_OK);
    EXPECT_EQ(device_->SetVertexShaderConstantF(255, constants, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->SetPixelShaderConstantF(223, constants, 2), D3DERR_INVALIDCALL);
    float back[8] = {};
    ASSERT_EQ(device_->GetVertexShaderConstantF(254, back, 2), D3D_OK);
    EXPECT_EQ(std::memcmp(back, constants, sizeof back), 0);

    auto vs = vertexShader(kTexcoordVertexShader, kTexcoordInputs);
    ASSERT_EQ(device_->SetVertexShader(vs.get()), D3D_OK);
    Com<IDirect3DVertexShader9> current;
    ASSERT_EQ(device_->GetVertexShader(current.out()), D3D_OK);
    EXPECT_EQ(current.get(), vs.get());
    UINT size = 0;
    ASSERT_EQ(vs->GetFunction(nullptr, &size), D3D_OK);
    std::vector<uint8_t> function(size);
    ASSERT_EQ(vs->GetFunction(function.data(), &size), D3D_OK);
    const std::vector<DWORD> blob = vertexBlob(kTexcoordVertexShader, kTexcoordInputs);
    ASSERT_EQ(size, blob.size() * sizeof(DWORD));
    EXPECT_EQ(std::memcmp(function.data(), blob.data(), size), 0);

    ASSERT_EQ(device_->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), D3D_OK);
    DWORD fvf = 0;
    ASSERT_EQ(device_->GetFVF(&fvf), D3D_OK);
    EXPECT_EQ(fvf, DWORD(0x112));
}

TEST_F(States, BoundObjectsReadBackAndOutlivePublicReferences)
{
    Com<IDirect3DVertexBuffer9> vb;
    ASSERT_EQ(device_->CreateVertexBuffer(120, 0, 0x102, D3DPOOL_MANAGED, vb.out(), nullptr),
              D3D_OK);
    ASSERT_EQ(device_->SetStreamSource(0, vb.get(), 8, 20), D3D_OK);
    Com<IDirect3DTexture9> texture;
    ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture.out(),
                                     nullptr),
              D3D_OK);
    ASSERT_EQ(device_->SetTexture(3, texture.get()), D3D_OK);
    IDirect3DVertexBuffer9* rawBuffer = vb.get();
    IDirect3DTexture9* rawTexture = texture.get();
    vb.reset();
    texture.reset();

    // Bindings keep the objects; getters hand out new references.
    Com<IDirect3DVertexBuffer9> stream;
    UINT offset = 0, stride = 0;
    ASSERT_EQ(device_->GetStreamSource(0, stream.out(), &offset, &stride), D3D_OK);
    EXPECT_EQ(stream.get(), rawBuffer);
    EXPECT_EQ(offset, 8u);
    EXPECT_EQ(stride, 20u);
    D3DVERTEXBUFFER_DESC desc{};
    ASSERT_EQ(stream->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Size, 120u);
    Com<IDirect3DBaseTexture9> bound;
    ASSERT_EQ(device_->GetTexture(3, bound.out()), D3D_OK);
    EXPECT_EQ(static_cast<void*>(bound.get()), static_cast<void*>(rawTexture));
    ASSERT_EQ(device_->SetTexture(3, nullptr), D3D_OK);
    ASSERT_EQ(device_->GetTexture(3, bound.out()), D3D_OK);
    EXPECT_FALSE(bound);
}

TEST_F(States, ResetRestoresDefaults)
{
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device_->SetSamplerState(5, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    const D3DVIEWPORT9 viewport{1, 1, 4, 4, 0.0f, 1.0f};
    device_->SetViewport(&viewport);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 24;
    pp.BackBufferHeight = 20;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    ASSERT_EQ(device_->Reset(&pp), D3D_OK);
    expectDefaults(device_.get());
    D3DVIEWPORT9 now{};
    device_->GetViewport(&now);
    EXPECT_EQ(now.Width, 24u);
    EXPECT_EQ(now.Height, 20u);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(device_->GetDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Width, 24u);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
}

} // namespace
} // namespace swk::test
