#include "WaterScene.h"
#include "Projection.h"
#include "Water.fx.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace swellkit::view
{
namespace
{

constexpr DWORD kPlaneFvf = D3DFVF_XYZ | D3DFVF_TEX1;
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
// The plane reaches past the fog; one copy of the maps covers kTile units.
constexpr int kGrid = 48;
constexpr float kHalfWidth = 60.0f;
constexpr float kNear = 8.0f;
constexpr float kFar = -90.0f;
constexpr float kTile = 6.0f;
constexpr float kFogDistance = 60.0f;
constexpr Vec3 kEye = {0.0f, 3.0f, 8.0f};
constexpr Vec3 kAt = {0.0f, 0.0f, -8.0f};
constexpr float kFovY = 0.9f;
constexpr float kZNear = 0.5f;
constexpr float kZFar = 200.0f;
constexpr Vec3 kTopEye = {0.0f, 3.0f, 2.5f}; // lights the view from above as from the shore
constexpr float kDeep[3] = {0.02f, 0.14f, 0.24f};
constexpr float kZenith[3] = {0.10f, 0.30f, 0.62f};
constexpr float kHorizon[3] = {0.62f, 0.75f, 0.86f};

template <typename T> void SafeRelease(T*& p)
{
    if (p)
        p->Release();
    p = nullptr;
}

template <typename V>
IDirect3DVertexBuffer9* MakeBuffer(IDirect3DDevice9* device, const std::vector<V>& vertices,
                                   DWORD fvf)
{
    const UINT bytes = static_cast<UINT>(vertices.size() * sizeof(V));
    IDirect3DVertexBuffer9* buffer = nullptr;
    // Managed: the plane outlives a Reset untouched.
    if (FAILED(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &buffer,
                                          nullptr)))
        return nullptr;
    void* data = nullptr;
    if (FAILED(buffer->Lock(0, bytes, &data, 0)))
    {
        buffer->Release();
        return nullptr;
    }
    std::memcpy(data, vertices.data(), bytes);
    buffer->Unlock();
    return buffer;
}

// The window's extent of the plane seen from above: one copy of the maps
// across the shorter side, repeated along the longer one.
std::vector<WaterScene::PlaneVertex> TopDownQuad(float aspect)
{
    const float ax = std::max(aspect, 1.0f), az = std::max(1.0f / aspect, 1.0f);
    const float u = ax, v = az;
    return {{-ax, 0, -az, 0, 0}, {ax, 0, -az, u, 0}, {ax, 0, az, u, v},
            {-ax, 0, -az, 0, 0}, {ax, 0, az, u, v},  {-ax, 0, az, 0, v}};
}

D3DCOLOR Colour(const float rgb[3])
{
    auto channel = [](float v)
    { return static_cast<DWORD>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
    return D3DCOLOR_XRGB(channel(rgb[0]), channel(rgb[1]), channel(rgb[2]));
}

float Lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

} // namespace

WaterScene::~WaterScene()
{
    Release();
}

bool WaterScene::Create(IDirect3DDevice9* device, std::string* why)
{
    Release();
    m_pDevice = device;
    D3DCAPS9 caps;
    device->GetDeviceCaps(&caps);
    if (caps.PixelShaderVersion >= D3DPS_VERSION(1, 1))
    {
        ID3DXBuffer* errors = nullptr;
        if (FAILED(D3DXCreateEffect(device, kWaterEffect, sizeof kWaterEffect - 1, nullptr, nullptr,
                                    0, nullptr, &m_pEffect, &errors)))
        {
            *why = "the water effect does not compile";
            if (errors)
                *why += std::string(": ") + static_cast<const char*>(errors->GetBufferPointer());
            SafeRelease(errors);
            return false;
        }
        SafeRelease(errors);
        m_hTechnique = m_pEffect->GetTechniqueByName(
            caps.PixelShaderVersion >= D3DPS_VERSION(2, 0) ? "Water20" : "Water11");
    }

    m_aPlane.clear();
    for (int j = 0; j < kGrid; ++j)
        for (int i = 0; i < kGrid; ++i)
        {
            const int corners[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
            for (const auto& c : corners)
            {
                const float x = Lerp(-kHalfWidth, kHalfWidth, float(i + c[0]) / kGrid);
                const float z = Lerp(kFar, kNear, float(j + c[1]) / kGrid);
                m_aPlane.push_back({x, 0.0f, z, x / kTile, z / kTile});
            }
        }
    m_pPlane = MakeBuffer(device, m_aPlane, kPlaneFvf);
    if (!m_pPlane)
    {
        *why = "no vertex buffer for the water plane";
        return false;
    }
    return true;
}

void WaterScene::Release()
{
    SafeRelease(m_pEffect);
    SafeRelease(m_pPlane);
    m_pDevice = nullptr;
}

void WaterScene::OnLostDevice()
{
    if (m_pEffect)
        m_pEffect->OnLostDevice();
}

void WaterScene::OnResetDevice()
{
    if (m_pEffect)
        m_pEffect->OnResetDevice();
}

void WaterScene::Draw(IDirect3DTexture9* normals, IDirect3DTexture9* heights, bool tiled,
                      UINT width, UINT height)
{
    if (!normals)
        return;
    if (tiled)
        DrawSky(width, height);
    if (m_pEffect)
        DrawWithEffect(normals, heights, tiled, width, height);
    else
        DrawFixedFunction(normals, tiled, width, height);
    const float size = std::min(width, height) / 4.0f;
    DrawInset(normals, width - size - 8, 8, size);
    if (heights)
        DrawInset(heights, width - size - 8, size + 16, size);
}

void WaterScene::DrawWithEffect(IDirect3DTexture9* normals, IDirect3DTexture9* heights, bool tiled,
                                UINT width, UINT height)
{
    const float aspect = float(width) / float(height);
    const Mat4 m =
        tiled ? LookAtPerspective(kEye, kAt, kFovY, aspect, kZNear, kZFar) : TopDown(aspect);
    const Vec3 eye = tiled ? kEye : kTopEye;
    const char* rows[4] = {"vRow0", "vRow1", "vRow2", "vRow3"};
    for (int r = 0; r < 4; ++r)
        m_pEffect->SetVector(rows[r], reinterpret_cast<const D3DXVECTOR4*>(m.m[r]));
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 1.0f);
    m_pEffect->SetVector("vEye", &eye4);
    m_pEffect->SetFloat("fFogDistance", tiled ? kFogDistance : 1e6f);
    m_pEffect->SetTexture("NormalMap", normals);
    m_pEffect->SetTexture("HeightMap", heights);
    m_pEffect->SetTechnique(m_hTechnique);
    UINT passes = 0;
    if (FAILED(m_pEffect->Begin(&passes, 0)))
        return;
    m_pDevice->SetFVF(kPlaneFvf);
    m_pDevice->SetStreamSource(0, m_pPlane, 0, sizeof(PlaneVertex));
    const std::vector<PlaneVertex> topDown =
        tiled ? std::vector<PlaneVertex>() : TopDownQuad(aspect);
    for (UINT p = 0; p < passes; ++p)
    {
        m_pEffect->BeginPass(p);
        if (tiled)
            m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(m_aPlane.size() / 3));
        else
            m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, topDown.data(), sizeof(PlaneVertex));
        m_pEffect->EndPass();
    }
    m_pEffect->End();
    m_pDevice->SetStreamSource(0, nullptr, 0, 0);
}

// Without pixel shaders: the normal map modulated by a per-vertex sky and
// water colour, the Fresnel term and the fog worked out here.
void WaterScene::DrawFixedFunction(IDirect3DTexture9* normals, bool tiled, UINT width, UINT height)
{
    const float aspect = float(width) / float(height);
    const Mat4 m =
        tiled ? LookAtPerspective(kEye, kAt, kFovY, aspect, kZNear, kZFar) : TopDown(aspect);
    const Vec3 eye = tiled ? kEye : kTopEye;
    const std::vector<PlaneVertex> topDown =
        tiled ? std::vector<PlaneVertex>() : TopDownQuad(aspect);
    const std::vector<PlaneVertex>& plane = tiled ? m_aPlane : topDown;
    m_aScreen.resize(plane.size());
    for (size_t i = 0; i < plane.size(); ++i)
    {
        const PlaneVertex& p = plane[i];
        float clip[4];
        Transform(m, {p.x, p.y, p.z}, clip);
        const float rhw = 1.0f / clip[3];
        const float dx = eye.x - p.x, dy = eye.y - p.y, dz = eye.z - p.z;
        const float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
        const float fresnel = 0.02f + 0.98f * std::pow(1.0f - dy / distance, 5.0f);
        const float fog = tiled ? std::min(distance / kFogDistance, 1.0f) : 0.0f;
        float rgb[3];
        for (int c = 0; c < 3; ++c)
            rgb[c] = Lerp(Lerp(kDeep[c] * 2.5f, kZenith[c], fresnel), kHorizon[c], fog * fog);
        m_aScreen[i] = {(clip[0] * rhw * 0.5f + 0.5f) * width,
                        (0.5f - clip[1] * rhw * 0.5f) * height,
                        clip[2] * rhw,
                        rhw,
                        Colour(rgb),
                        p.u,
                        p.v};
    }
    SetScreenState(normals, D3DTADDRESS_WRAP);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(m_aScreen.size() / 3),
                               m_aScreen.data(), sizeof(ScreenVertex));
    m_pDevice->SetTexture(0, nullptr);
}

// Above the plane's far edge: the sky, from the zenith's colour at the top of
// the window to the horizon's at the edge.
void WaterScene::DrawSky(UINT width, UINT height)
{
    float clip[4];
    Transform(LookAtPerspective(kEye, kAt, kFovY, float(width) / float(height), kZNear, kZFar),
              {0.0f, 0.0f, kFar}, clip);
    const float w = float(width);
    // Past the edge: the plane does not reach the window's sides there.
    const float edge = (0.5f - clip[1] / clip[3] * 0.5f + 0.1f) * height;
    const D3DCOLOR top = Colour(kZenith), bottom = Colour(kHorizon);
    const ScreenVertex quad[6] = {
        {0, 0, 0, 1, top, 0, 0}, {w, 0, 0, 1, top, 0, 0},       {w, edge, 0, 1, bottom, 0, 0},
        {0, 0, 0, 1, top, 0, 0}, {w, edge, 0, 1, bottom, 0, 0}, {0, edge, 0, 1, bottom, 0, 0},
    };
    SetScreenState(nullptr, D3DTADDRESS_CLAMP);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(ScreenVertex));
}

void WaterScene::SetScreenState(IDirect3DTexture9* texture, DWORD address)
{
    m_pDevice->SetVertexShader(nullptr);
    m_pDevice->SetPixelShader(nullptr);
    m_pDevice->SetFVF(kScreenFvf);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_pDevice->SetTexture(0, texture);
    m_pDevice->SetSamplerState(0, D3DSAMP_ADDRESSU, address);
    m_pDevice->SetSamplerState(0, D3DSAMP_ADDRESSV, address);
    m_pDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
}

void WaterScene::DrawInset(IDirect3DTexture9* texture, float x, float y, float size)
{
    const D3DCOLOR white = D3DCOLOR_XRGB(255, 255, 255);
    const ScreenVertex quad[6] = {
        {x, y, 0, 1, white, 0, 0},
        {x + size, y, 0, 1, white, 1, 0},
        {x + size, y + size, 0, 1, white, 1, 1},
        {x, y, 0, 1, white, 0, 0},
        {x + size, y + size, 0, 1, white, 1, 1},
        {x, y + size, 0, 1, white, 0, 1},
    };
    SetScreenState(texture, D3DTADDRESS_CLAMP);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(ScreenVertex));
    m_pDevice->SetTexture(0, nullptr);
}

} // namespace swellkit::view
