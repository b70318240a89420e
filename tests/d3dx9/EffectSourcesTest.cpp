// The two effect sources as the generator uses them: compiled from the
// module's raw-data resources, with the techniques, parameters, defaults and
// sampler states the render passes rely on, and shader code that follows the
// device's blob conventions.
#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

using namespace swk::test;

HMODULE g_module = nullptr;

struct FromResource
{
    TestDevice* device = new TestDevice;
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* messages = nullptr;
    HRESULT hr;

    explicit FromResource(int id)
    {
        hr = D3DXCreateEffectFromResourceA(device, g_module, MAKEINTRESOURCE(id), nullptr, nullptr,
                                           D3DXSHADER_NO_PRESHADER, nullptr, &effect, &messages);
    }
    ~FromResource()
    {
        if (messages)
            messages->Release();
        if (effect)
            effect->Release();
        device->Release();
    }
};

void ExpectSamplerStates(TestDevice& d, DWORD reg, DWORD address)
{
    auto state = [&d, reg](D3DSAMPLERSTATETYPE t) { return d.SamplerState(reg, t); };
    EXPECT_EQ(state(D3DSAMP_ADDRESSU), address);
    EXPECT_EQ(state(D3DSAMP_ADDRESSV), address);
    EXPECT_EQ(state(D3DSAMP_MIPFILTER), DWORD(D3DTEXF_LINEAR));
    EXPECT_EQ(state(D3DSAMP_MINFILTER), DWORD(D3DTEXF_LINEAR));
    EXPECT_EQ(state(D3DSAMP_MAGFILTER), DWORD(D3DTEXF_LINEAR));
    // States the source does not list are left to the device.
    EXPECT_EQ(d.SamplerStates().count(std::pair{reg, DWORD(D3DSAMP_ADDRESSW)}), 0u);
}

// The register the pass bound a texture parameter to.
DWORD RegisterOf(TestDevice& d, IDirect3DBaseTexture9* texture)
{
    for (DWORD reg = 0; reg < 16; ++reg)
        if (d.Texture(reg) == texture)
            return reg;
    ADD_FAILURE() << "texture not bound";
    return ~0u;
}

std::vector<std::string> TechniqueNames(ID3DXEffect* e)
{
    D3DXEFFECT_DESC desc;
    EXPECT_EQ(e->GetDesc(&desc), D3D_OK);
    std::vector<std::string> names;
    for (UINT i = 0; i < desc.Techniques; ++i)
    {
        D3DXTECHNIQUE_DESC t;
        EXPECT_EQ(e->GetTechniqueDesc(e->GetTechnique(i), &t), D3D_OK);
        EXPECT_EQ(t.Passes, 1u);
        D3DXPASS_DESC p;
        EXPECT_EQ(e->GetPassDesc(e->GetPass(e->GetTechnique(i), 0), &p), D3D_OK);
        EXPECT_STREQ(p.Name, "P0");
        names.emplace_back(t.Name);
    }
    return names;
}

TEST(EffectSources, AreAsciiWithCrlfAndNamedOnTheirFirstLine)
{
    for (auto [file, first] : {std::pair{"HeightMap.fx", "// Height Map Generator Shader\r\n"},
                               std::pair{"NormalMap.fx", "// Normal Map Generator Shader\r\n"}})
    {
        const std::string text = ReadEffectSource(file);
        EXPECT_EQ(text.rfind(first, 0), 0u) << file;
        for (size_t i = 0; i < text.size(); ++i)
        {
            ASSERT_LT(static_cast<unsigned char>(text[i]), 128) << file;
            if (text[i] == '\n')
            {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << file << " byte " << i;
            }
        }
    }
}

TEST(EffectSources, HeightEffectAddsTwoWrappedNoiseTextures)
{
    FromResource fx(101);
    ASSERT_EQ(fx.hr, D3D_OK);
    ASSERT_NE(fx.effect, nullptr);
    EXPECT_EQ(fx.messages, nullptr);
    EXPECT_EQ(TechniqueNames(fx.effect), std::vector<std::string>{"T1X"});

    D3DXPARAMETER_DESC desc;
    for (const char* name : {"Noise0", "Noise1"})
    {
        ASSERT_EQ(fx.effect->GetParameterDesc(name, &desc), D3D_OK) << name;
        EXPECT_EQ(desc.Class, D3DXPC_OBJECT);
        EXPECT_EQ(desc.Type, D3DXPT_TEXTURE);
    }

    auto* noise0 = NewTexture(*fx.device, D3DPOOL_DEFAULT);
    auto* noise1 = NewTexture(*fx.device, D3DPOOL_DEFAULT);
    ASSERT_EQ(fx.effect->SetTechnique("T1X"), D3D_OK);
    ASSERT_EQ(fx.effect->SetTexture("Noise0", noise0), D3D_OK);
    ASSERT_EQ(fx.effect->SetTexture("Noise1", noise1), D3D_OK);
    UINT passes = 0;
    ASSERT_EQ(fx.effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(passes, 1u);
    ASSERT_EQ(fx.effect->BeginPass(0), D3D_OK);
    TestDevice& d = *fx.device;
    EXPECT_NE(d.VertexShader(), nullptr);
    EXPECT_NE(d.PixelShader(), nullptr);
    const DWORD r0 = RegisterOf(d, noise0), r1 = RegisterOf(d, noise1);
    EXPECT_NE(r0, r1);
    ExpectSamplerStates(d, r0, D3DTADDRESS_WRAP);
    ExpectSamplerStates(d, r1, D3DTADDRESS_WRAP);
    fx.effect->EndPass();
    fx.effect->End();
    noise0->Release();
    noise1->Release();
}

TEST(EffectSources, NormalEffectHasBothTechniquesAndItsDefaultsInForce)
{
    FromResource fx(102);
    ASSERT_EQ(fx.hr, D3D_OK);
    ASSERT_NE(fx.effect, nullptr);
    EXPECT_EQ(fx.messages, nullptr);
    EXPECT_EQ(TechniqueNames(fx.effect), (std::vector<std::string>{"T10", "T20"}));

    const std::pair<const char*, float> defaults[] = {{"fInvMapWidth", 0.002f},
                                                      {"fInvMapHeight", 0.002f},
                                                      {"fScale", 2.5f},
                                                      {"fNormalStrength", 1.0f}};
    D3DXPARAMETER_DESC desc;
    for (auto [name, value] : defaults)
    {
        ASSERT_EQ(fx.effect->GetParameterDesc(name, &desc), D3D_OK) << name;
        EXPECT_EQ(desc.Class, D3DXPC_SCALAR);
        EXPECT_EQ(desc.Type, D3DXPT_FLOAT);
        float f = -1;
        EXPECT_EQ(fx.effect->GetFloat(name, &f), D3D_OK);
        EXPECT_EQ(f, value) << name;
    }
    ASSERT_EQ(fx.effect->GetParameterDesc("HeightMap", &desc), D3D_OK);
    EXPECT_EQ(desc.Type, D3DXPT_TEXTURE);

    // T20 reads all four values in its vertex shader; with nothing set, the
    // defaults are what reaches the constants, in declaration order.
    auto* height = NewTexture(*fx.device, D3DPOOL_DEFAULT);
    ASSERT_EQ(fx.effect->SetTechnique("T20"), D3D_OK);
    ASSERT_EQ(fx.effect->SetTexture("HeightMap", height), D3D_OK);
    ASSERT_EQ(fx.effect->Begin(nullptr, 0), D3D_OK);
    ASSERT_EQ(fx.effect->BeginPass(0), D3D_OK);
    TestDevice& d = *fx.device;
    const std::vector<float> block(d.VertexConstants().begin(), d.VertexConstants().begin() + 4);
    EXPECT_EQ(block, (std::vector<float>{0.002f, 0.002f, 2.5f, 1.0f}));
    ExpectSamplerStates(d, RegisterOf(d, height), D3DTADDRESS_MIRROR);
    fx.effect->EndPass();
    fx.effect->End();
    height->Release();
}

TEST(EffectSources, AMissingResourceGivesNoEffect)
{
    FromResource fx(103);
    EXPECT_TRUE(FAILED(fx.hr));
    EXPECT_EQ(fx.effect, nullptr);
    EXPECT_EQ(fx.messages, nullptr);
}

// Every blob must be something the Vulkan device can take as it is: valid
// SPIR-V, one entry point, no HLSL-only extension, position as the built-in,
// varyings where the semantic puts them, bindings per the blob contract.
TEST(EffectSources, ShaderBlobsFollowTheDeviceConventionsAndLinkBySemantic)
{
    FromResource height(101);
    FromResource normal(102);
    ASSERT_NE(height.effect, nullptr);
    ASSERT_NE(normal.effect, nullptr);
    std::vector<std::vector<DWORD>> blobs = height.device->ShaderBlobs();
    blobs.insert(blobs.end(), normal.device->ShaderBlobs().begin(),
                 normal.device->ShaderBlobs().end());
    ASSERT_EQ(blobs.size(), 6u); // VS+PS of T1X, T10 and T20

    for (const std::vector<DWORD>& blob : blobs)
    {
        const swk::ShaderBlobHeader& h = BlobHeader(blob);
        ASSERT_EQ(h.magic, swk::kShaderBlobMagic);
        const std::vector<uint32_t> spirv = BlobSpirv(blob);
        EXPECT_EQ(ValidateSpirv(spirv), "");
        const SpirvFacts f = ReadSpirv(spirv);
        EXPECT_EQ(f.entryPoints, 1);
        EXPECT_FALSE(f.hasUserSemantic);
        for (const std::string& e : f.extensions)
            EXPECT_EQ(e.find("SPV_GOOGLE_"), std::string::npos) << e;
        const bool vertex = h.stage == static_cast<uint32_t>(swk::ShaderBlobStage::Vertex);
        for (int b : f.Bindings(kSpvUniform))
            EXPECT_EQ(b, int(vertex ? swk::kVertexConstantsBinding : swk::kPixelConstantsBinding));
        for (int b : f.Bindings(kSpvUniformConstant))
            EXPECT_GE(b, int(swk::kFirstSamplerBinding));
        if (vertex)
            EXPECT_TRUE(f.HasBuiltIn(kSpvOutput, kSpvBuiltInPosition));
        else
            EXPECT_EQ(h.inputCount, 0u);
    }

    // Varyings link by semantic.
    using L = std::vector<int>;
    const int fog = swk::kFogLocation, color0 = swk::kColorLocation0;
    // Blobs come in creation order: T1X; then T10 and T20 of the normal effect.
    const auto& hb = height.device->ShaderBlobs();
    const auto& nb = normal.device->ShaderBlobs();
    EXPECT_EQ(ReadSpirv(BlobSpirv(hb[0])).Locations(kSpvOutput), (L{0, 1, fog}));
    EXPECT_EQ(ReadSpirv(BlobSpirv(nb[0])).Locations(kSpvOutput), (L{color0, fog}));
    EXPECT_EQ(ReadSpirv(BlobSpirv(nb[2])).Locations(kSpvOutput), (L{0, 1, 2, 3, 4, fog}));
    // Every pixel input is written by its pass's vertex shader.
    for (auto [vs, ps] :
         {std::pair{&hb[0], &hb[1]}, std::pair{&nb[0], &nb[1]}, std::pair{&nb[2], &nb[3]}})
    {
        const L written = ReadSpirv(BlobSpirv(*vs)).Locations(kSpvOutput);
        for (int in : ReadSpirv(BlobSpirv(*ps)).Locations(kSpvInput))
            EXPECT_NE(std::find(written.begin(), written.end(), in), written.end()) << in;
    }
    // Vertex inputs are declared by usage; the position is never read.
    auto usages = [](const std::vector<DWORD>& blob)
    {
        std::vector<std::pair<uint32_t, uint32_t>> u;
        for (const swk::ShaderBlobInput& in : BlobInputs(blob))
            u.emplace_back(in.usage, in.usageIndex);
        std::sort(u.begin(), u.end());
        return u;
    };
    using U = std::vector<std::pair<uint32_t, uint32_t>>;
    EXPECT_EQ(usages(hb[0]), (U{{D3DDECLUSAGE_TEXCOORD, 0}}));
    EXPECT_EQ(usages(nb[0]), (U{{D3DDECLUSAGE_NORMAL, 0}, {D3DDECLUSAGE_TEXCOORD, 0}}));
    EXPECT_EQ(usages(nb[2]), (U{{D3DDECLUSAGE_TEXCOORD, 0}}));
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}
