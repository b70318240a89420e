// Drawing without shaders: the states the generator's passes switch off must
// really be off, and the ones a host may leave on must act as Direct3D 9's.
#include "DeviceTest.h"

namespace swk::test
{
namespace
{

struct WorldVertex
{
    float x, y, z;
    D3DCOLOR diffuse;
};

// Culling and lighting, off in the diffuse set-up, have tests of their own.
class FixedFunction : public DiffuseTarget
{
protected:
    template <typename Vertex> void drawStrip(const Vertex* quad)
    {
        scene([&] { return device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof *quad); });
    }
    void drawScreenQuad(D3DCOLOR color, float z = 0.5f, float x0 = 0.0f, float x1 = 8.0f)
    {
        drawStrip(screenQuad(color, z, x0, x1).data());
    }
};

TEST_F(FixedFunction, CullModeFollowsDirect3DWinding)
{
    // The strip's first triangle is clockwise on screen, the second one too
    // (strips alternate their order). Counter-clockwise culling keeps them.
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    drawScreenQuad(0xff00ff00);
    EXPECT_EQ(pixel(), 0xff00ff00u);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    drawScreenQuad(0xffff0000);
    EXPECT_EQ(pixel(), 0xff00ff00u) << "clockwise triangles culled";
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    drawScreenQuad(0xffff0000);
    EXPECT_EQ(pixel(), 0xffff0000u);
}

TEST_F(FixedFunction, DepthTestAndWriteFollowTheirStates)
{
    drawScreenQuad(0xff0000ff, 0.25f);
    drawScreenQuad(0xffff0000, 0.75f);
    EXPECT_EQ(pixel(), 0xff0000ffu) << "the farther quad fails LESSEQUAL";
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    drawScreenQuad(0xffff0000, 0.75f);
    EXPECT_EQ(pixel(), 0xffff0000u);
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    drawScreenQuad(0xff00ff00, 0.1f);
    drawScreenQuad(0xffffffff, 0.2f);
    EXPECT_EQ(pixel(), 0xffffffffu) << "0.1 was not written, 0.2 passes against 0.25";
}

TEST_F(FixedFunction, AlphaBlendAndAlphaTest)
{
    drawScreenQuad(0xff0000ff);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    drawScreenQuad(0x80ff0000);
    const uint32_t blended = pixel();
    EXPECT_NEAR(int((blended >> 16) & 0xff), 0x80, 1);
    EXPECT_NEAR(int(blended & 0xff), 0x7f, 1);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    device_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device_->SetRenderState(D3DRS_ALPHAREF, 0x80);
    device_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    drawScreenQuad(0x7f00ff00, 0.5f, 0.0f, 4.0f);
    drawScreenQuad(0x8000ff00, 0.5f, 4.0f, 8.0f);
    EXPECT_EQ(pixel(1, 1), blended) << "alpha 0x7f fails >= 0x80";
    EXPECT_EQ(pixel(6, 1), 0x8000ff00u);
}

// Each combination of stage states is its own pipeline; draws queued together
// must each keep theirs.
TEST_F(FixedFunction, StageStatesChangedBetweenQueuedDrawsApplyToEach)
{
    device_->SetRenderState(D3DRS_TEXTUREFACTOR, 0xff00ff00);
    drawScreenQuad(0xffff0000, 0.5f, 0.0f, 3.0f);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    drawScreenQuad(0xffff0000, 0.5f, 3.0f, 6.0f);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    drawScreenQuad(0xff0000ff, 0.5f, 6.0f, 8.0f);
    EXPECT_EQ(pixel(1, 4), 0xffff0000u);
    EXPECT_EQ(pixel(4, 4), 0xff00ff00u);
    EXPECT_EQ(pixel(7, 4), 0xff00ffffu);
}

TEST_F(FixedFunction, StencilCountsCoveredPixels)
{
    device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device_->SetRenderState(D3DRS_STENCILENABLE, TRUE);
    device_->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device_->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INCR);
    drawScreenQuad(0xff000000, 0.5f, 0.0f, 4.0f);
    device_->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    device_->SetRenderState(D3DRS_STENCILREF, 1);
    device_->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    drawScreenQuad(0xffffffff);
    EXPECT_EQ(pixel(1, 1), 0xffffffffu);
    EXPECT_EQ(pixel(6, 1), 0xff000000u);
}

TEST_F(FixedFunction, FogActsAndLightingLeavesPretransformedColours)
{
    // Lighting never applies to pretransformed vertices.
    device_->SetRenderState(D3DRS_LIGHTING, TRUE);
    device_->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device_->SetRenderState(D3DRS_FOGCOLOR, 0xffffffff);
    device_->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    // Floats travel as their bits: 0.0f and 1.0f.
    device_->SetRenderState(D3DRS_FOGSTART, 0);
    device_->SetRenderState(D3DRS_FOGEND, 0x3f800000);
    drawScreenQuad(0xff000000, 0.5f);
    const uint32_t fogged = pixel();
    EXPECT_NEAR(int(fogged & 0xff), 0x80, 2) << "halfway between black and the fog colour";
    device_->SetRenderState(D3DRS_FOGENABLE, FALSE);
    drawScreenQuad(0xff000000, 0.5f);
    EXPECT_EQ(pixel(), 0xff000000u);
}

TEST_F(FixedFunction, LightingUsesMaterialSourcesForTransformedVertices)
{
    // Untransformed vertices, identity transforms: clip space is the quad.
    const WorldVertex quad[4] = {{-1, 1, 0.5f, 0xff00ff00},
                                 {1, 1, 0.5f, 0xff00ff00},
                                 {-1, -1, 0.5f, 0xff00ff00},
                                 {1, -1, 0.5f, 0xff00ff00}};
    device_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    D3DMATERIAL9 material{};
    material.Ambient = {1.0f, 0.0f, 0.0f, 1.0f};
    material.Emissive = {0.0f, 0.0f, 0.25f, 1.0f};
    device_->SetMaterial(&material);
    device_->SetRenderState(D3DRS_AMBIENT, 0xff808080);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    drawStrip(quad);
    EXPECT_EQ(pixel(), 0xff00ff00u);
    // No lights can be set: emissive plus global ambient times the ambient source.
    device_->SetRenderState(D3DRS_LIGHTING, TRUE);
    drawStrip(quad);
    uint32_t lit = pixel();
    EXPECT_NEAR(int((lit >> 16) & 0xff), 0x80, 1);
    EXPECT_EQ((lit >> 8) & 0xff, 0u);
    EXPECT_NEAR(int(lit & 0xff), 0x40, 1);
    device_->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1);
    drawStrip(quad);
    lit = pixel();
    EXPECT_EQ((lit >> 16) & 0xff, 0u);
    EXPECT_NEAR(int((lit >> 8) & 0xff), 0x80, 1);
}

} // namespace
} // namespace swk::test
