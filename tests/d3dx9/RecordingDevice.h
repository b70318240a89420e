// A Direct3D 9 device double that keeps the state an effect touches (shaders,
// their constants, textures, sampler and render states) so that tests can
// read it back, and keeps the shader blobs it was given. Everything else is
// refused.
#pragma once

#include <d3d9.h>

#include <map>
#include <utility>
#include <vector>

namespace swk::test
{

// Reference counting for the objects of the double.
template <class Interface> class Refcounted : public Interface
{
public:
    virtual ~Refcounted() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override
    {
        if (ppv)
            *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    ULONG Refs() const { return refs_; }

private:
    ULONG refs_ = 1;
};

class RecordingShader;
class RecordingTexture;

class RecordingDevice final : public Refcounted<IDirect3DDevice9>
{
public:
    // The blob each created shader was made from, in creation order.
    std::vector<std::vector<DWORD>> blobs;
    IDirect3DVertexShader9* vertexShader = nullptr;
    IDirect3DPixelShader9* pixelShader = nullptr;
    std::map<DWORD, IDirect3DBaseTexture9*> textures;
    std::map<std::pair<DWORD, DWORD>, DWORD> samplerStates;
    std::map<DWORD, DWORD> renderStates;
    std::vector<float> vertexConstants = std::vector<float>(256 * 4);
    std::vector<float> pixelConstants = std::vector<float>(224 * 4);
    int constantUploads = 0;
    int textureSets = 0;

    ~RecordingDevice() override;

    HRESULT STDMETHODCALLTYPE CreateVertexShader(const DWORD* f,
                                                 IDirect3DVertexShader9** pp) override;
    HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9* s) override;
    HRESULT STDMETHODCALLTYPE GetVertexShader(IDirect3DVertexShader9** pp) override;
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT r, const float* c, UINT n) override;
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantF(UINT r, float* c, UINT n) override;
    HRESULT STDMETHODCALLTYPE CreatePixelShader(const DWORD* f,
                                                IDirect3DPixelShader9** pp) override;
    HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9* s) override;
    HRESULT STDMETHODCALLTYPE GetPixelShader(IDirect3DPixelShader9** pp) override;
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT r, const float* c, UINT n) override;
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantF(UINT r, float* c, UINT n) override;
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD s, IDirect3DBaseTexture9** pp) override;
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD s, IDirect3DBaseTexture9* t) override;
    HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD s, D3DSAMPLERSTATETYPE t, DWORD* v) override;
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD s, D3DSAMPLERSTATETYPE t, DWORD v) override;
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE s, DWORD v) override;
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE s, DWORD* v) override;

#define SWK_REFUSE(name, ...)                                                                      \
    HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override                                           \
    {                                                                                              \
        return D3DERR_INVALIDCALL;                                                                 \
    }
    SWK_REFUSE(TestCooperativeLevel)
    UINT STDMETHODCALLTYPE GetAvailableTextureMem() override
    {
        return 0;
    }
    SWK_REFUSE(EvictManagedResources)
    SWK_REFUSE(GetDirect3D, IDirect3D9**)
    SWK_REFUSE(GetDeviceCaps, D3DCAPS9*)
    SWK_REFUSE(GetDisplayMode, UINT, D3DDISPLAYMODE*)
    SWK_REFUSE(GetCreationParameters, D3DDEVICE_CREATION_PARAMETERS*)
    SWK_REFUSE(Reset, D3DPRESENT_PARAMETERS*)
    SWK_REFUSE(Present, const RECT*, const RECT*, HWND, const RGNDATA*)
    SWK_REFUSE(GetBackBuffer, UINT, UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface9**)
    SWK_REFUSE(CreateTexture, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9**,
               HANDLE*)
    SWK_REFUSE(CreateVertexBuffer, UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9**, HANDLE*)
    SWK_REFUSE(CreateIndexBuffer, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer9**, HANDLE*)
    SWK_REFUSE(CreateRenderTarget, UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, BOOL,
               IDirect3DSurface9**, HANDLE*)
    SWK_REFUSE(CreateDepthStencilSurface, UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, BOOL,
               IDirect3DSurface9**, HANDLE*)
    SWK_REFUSE(GetRenderTargetData, IDirect3DSurface9*, IDirect3DSurface9*)
    SWK_REFUSE(ColorFill, IDirect3DSurface9*, const RECT*, D3DCOLOR)
    SWK_REFUSE(CreateOffscreenPlainSurface, UINT, UINT, D3DFORMAT, D3DPOOL, IDirect3DSurface9**,
               HANDLE*)
    SWK_REFUSE(SetRenderTarget, DWORD, IDirect3DSurface9*)
    SWK_REFUSE(GetRenderTarget, DWORD, IDirect3DSurface9**)
    SWK_REFUSE(SetDepthStencilSurface, IDirect3DSurface9*)
    SWK_REFUSE(GetDepthStencilSurface, IDirect3DSurface9**)
    SWK_REFUSE(BeginScene)
    SWK_REFUSE(EndScene)
    SWK_REFUSE(Clear, DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD)
    SWK_REFUSE(SetTransform, D3DTRANSFORMSTATETYPE, const D3DMATRIX*)
    SWK_REFUSE(GetTransform, D3DTRANSFORMSTATETYPE, D3DMATRIX*)
    SWK_REFUSE(SetViewport, const D3DVIEWPORT9*)
    SWK_REFUSE(GetViewport, D3DVIEWPORT9*)
    SWK_REFUSE(SetMaterial, const D3DMATERIAL9*)
    SWK_REFUSE(GetMaterial, D3DMATERIAL9*)
    SWK_REFUSE(GetTextureStageState, DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*)
    SWK_REFUSE(SetTextureStageState, DWORD, D3DTEXTURESTAGESTATETYPE, DWORD)
    SWK_REFUSE(SetScissorRect, const RECT*)
    SWK_REFUSE(GetScissorRect, RECT*)
    SWK_REFUSE(DrawPrimitive, D3DPRIMITIVETYPE, UINT, UINT)
    SWK_REFUSE(DrawIndexedPrimitive, D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT)
    SWK_REFUSE(DrawPrimitiveUP, D3DPRIMITIVETYPE, UINT, const void*, UINT)
    SWK_REFUSE(SetFVF, DWORD)
    SWK_REFUSE(GetFVF, DWORD*)
    SWK_REFUSE(SetStreamSource, UINT, IDirect3DVertexBuffer9*, UINT, UINT)
    SWK_REFUSE(GetStreamSource, UINT, IDirect3DVertexBuffer9**, UINT*, UINT*)
    SWK_REFUSE(SetIndices, IDirect3DIndexBuffer9*)
    SWK_REFUSE(GetIndices, IDirect3DIndexBuffer9**)
#undef SWK_REFUSE
};

// A texture that only knows its pool, for reference and device-loss tests.
class RecordingTexture final : public Refcounted<IDirect3DTexture9>
{
public:
    explicit RecordingTexture(D3DPOOL pool) : pool_(pool) {}
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9**) override { return D3DERR_INVALIDCALL; }
    DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD STDMETHODCALLTYPE SetLOD(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetLOD() override { return 0; }
    DWORD STDMETHODCALLTYPE GetLevelCount() override { return 1; }
    HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override { return D3D_OK; }
    D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override
    {
        return D3DTEXF_LINEAR;
    }
    void STDMETHODCALLTYPE GenerateMipSubLevels() override {}
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT, D3DSURFACE_DESC* d) override
    {
        *d = D3DSURFACE_DESC{};
        d->Pool = pool_;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT, IDirect3DSurface9**) override
    {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE LockRect(UINT, D3DLOCKED_RECT*, const RECT*, DWORD) override
    {
        return D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT) override { return D3DERR_INVALIDCALL; }
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT*) override { return D3D_OK; }

private:
    D3DPOOL pool_;
};

} // namespace swk::test
