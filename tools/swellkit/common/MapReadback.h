// Copies a map's top level into system memory (GetRenderTargetData) and
// decodes the channels wanted into floats in [0, 1]. The system-memory
// surface is made once and reused for every frame.
#pragma once

#include "Device.h"

#include <d3d9.h>

#include <vector>

namespace swk::tools
{

class MapReadback
{
public:
    MapReadback(IDirect3DDevice9* device, IDirect3DTexture9* map);

    UINT width() const { return m_desc.Width; }
    UINT height() const { return m_desc.Height; }
    D3DFORMAT format() const { return m_desc.Format; }

    // The first `channels` channels (red; or red, green, blue) of every texel,
    // interleaved; out is resized to fit. Throws ToolError when a step fails.
    void read(IDirect3DTexture9* map, int channels, std::vector<float>* out);

private:
    IDirect3DDevice9* m_pDevice;
    D3DSURFACE_DESC m_desc = {};
    ComPtr<IDirect3DSurface9> m_pCopy;
};

const char* FormatName(D3DFORMAT format);

} // namespace swk::tools
