// What the viewer draws on its device: the water plane (tiled in perspective,
// or one copy of the maps seen from above) and insets of the two maps.
#pragma once

#include <d3d9.h>
#include <d3dx9.h>

#include <string>
#include <vector>

namespace swellkit::view
{

struct Vec3
{
    float x, y, z;
};

class WaterScene
{
public:
    WaterScene() = default;
    ~WaterScene();
    WaterScene(const WaterScene&) = delete;
    WaterScene& operator=(const WaterScene&) = delete;

    // Objects on the device; false with a reason when one cannot be made.
    bool Create(IDirect3DDevice9* device, std::string* why);
    void Release();
    void OnLostDevice();
    void OnResetDevice();

    // Inside a scene; heights may be null (devices below ps_2_0 have none).
    void Draw(IDirect3DTexture9* normals, IDirect3DTexture9* heights, bool tiled, UINT width,
              UINT height);

    struct PlaneVertex
    {
        float x, y, z, u, v;
    };

private:
    struct ScreenVertex
    {
        float x, y, z, rhw;
        D3DCOLOR diffuse;
        float u, v;
    };

    void DrawWithEffect(IDirect3DTexture9* normals, IDirect3DTexture9* heights, bool tiled,
                        UINT width, UINT height);
    void DrawFixedFunction(IDirect3DTexture9* normals, bool tiled, UINT width, UINT height);
    void DrawSky(UINT width, UINT height);
    // Fixed function over pretransformed vertices, texture in stage 0 only.
    void SetScreenState(IDirect3DTexture9* texture, DWORD address);
    void DrawInset(IDirect3DTexture9* texture, float x, float y, float size);

    IDirect3DDevice9* m_pDevice = nullptr;
    ID3DXEffect* m_pEffect = nullptr;
    D3DXHANDLE m_hTechnique = nullptr;
    IDirect3DVertexBuffer9* m_pPlane = nullptr;
    std::vector<PlaneVertex> m_aPlane;
    std::vector<ScreenVertex> m_aScreen;
};

} // namespace swellkit::view
