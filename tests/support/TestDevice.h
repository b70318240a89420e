// A small in-memory Direct3D 9 device for protocol tests: configurable caps and
// format support, memory-backed textures, surfaces and vertex buffers with a
// real pitch, every call recorded with its arguments, and failures a test can
// inject. It draws nothing; it is the double for call-order and state tests,
// the effect runtime's included: it keeps the shader blobs it was given, the
// bound shaders and the float constants.
#pragma once

#include <d3d9.h>
#include <swk/Com.h>

#include <functional>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

// A method no protocol test reaches, refused by the class's Unsupported.
#define SWK_TEST_UNSUPPORTED(Name, ...)                                                            \
    STDMETHOD(Name)(__VA_ARGS__) override                                                          \
    {                                                                                              \
        return Unsupported(#Name);                                                                 \
    }

namespace swk::test
{

struct Call
{
    std::string name;   // e.g. "CreateTexture"
    std::string args;   // e.g. "128,128,1,0x200,81,0"
    const void* object; // the interface the call was made on
    std::string Text() const { return name + "(" + args + ")"; }
};

class TestDevice;

// The device's own hold on an object it has bound (render target, stream,
// texture stage). As under Direct3D 9 it is not one of the application's
// references: an object the application released is gone for it (and for
// Reset), though the memory lives until the device lets go.
class Bindable
{
public:
    virtual void Bind() = 0;
    virtual void Unbind() = 0;

protected:
    ~Bindable() = default;
};

// Reference counting shared by every object of the double; an object the
// application released lives on while the device binds it.
template <typename Interface> class Counted : public ComObject<Interface>, public Bindable
{
public:
    explicit Counted(TestDevice& device) : m_device(device) {}
    ~Counted() override = default;
    void Bind() override { ++m_binds; }
    void Unbind() override
    {
        if (--m_binds == 0 && references() == 0)
            OnLastRelease();
    }
    ULONG references() const { return ComObject<Interface>::references(); }
    TestDevice& Device() const { return m_device; }

protected:
    bool implements(REFIID) const override { return false; }
    void onFinalRelease() override
    {
        OnApplicationReleased();
        if (m_binds == 0)
            OnLastRelease();
    }
    // The application's last reference went.
    virtual void OnApplicationReleased() {}
    // Neither the application nor the device holds the object any more.
    virtual void OnLastRelease() { delete this; }

private:
    TestDevice& m_device;
    ULONG m_binds = 0;
};

// A Get... call's copy of a value into the caller's pointer.
template <typename T> HRESULT CopyOut(T* out, const T& value)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = value;
    return D3D_OK;
}

// What every resource and shader of the double answers alike.
template <typename Interface> class Owned : public Counted<Interface>
{
public:
    using Counted<Interface>::Counted;
    SWK_TEST_UNSUPPORTED(GetDevice, IDirect3DDevice9**)

protected:
    HRESULT Unsupported(const char*) const { return D3DERR_INVALIDCALL; }
};

template <typename Interface, D3DRESOURCETYPE Type> class Resource : public Owned<Interface>
{
public:
    using Owned<Interface>::Owned;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return Type; }
};

class TestTexture;

class TestSurface final : public Resource<IDirect3DSurface9, D3DRTYPE_SURFACE>
{
public:
    TestSurface(TestDevice& device, D3DSURFACE_DESC desc, TestTexture* owner);

    SWK_TEST_UNSUPPORTED(GetContainer, REFIID, void**)
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* p) override { return CopyOut(p, m_desc); }
    // Unrecorded and never failing: the generator locks its textures, not their levels.
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* pLocked, const RECT* pRect, DWORD) override;
    HRESULT STDMETHODCALLTYPE UnlockRect() override;

    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    void Bind() override;
    void Unbind() override;

    const D3DSURFACE_DESC& Desc() const { return m_desc; }
    int Pitch() const { return m_pitch; }
    std::vector<unsigned char>& Bytes() { return m_bytes; }
    bool Locked() const { return m_locked; }

private:
    // A level lives as long as its texture, the implicit surfaces as the device.
    void OnLastRelease() override {}

    D3DSURFACE_DESC m_desc;
    TestTexture* m_owner;
    int m_pitch;
    std::vector<unsigned char> m_bytes;
    bool m_locked = false;
};

class TestTexture final : public Resource<IDirect3DTexture9, D3DRTYPE_TEXTURE>
{
public:
    TestTexture(TestDevice& device, UINT width, UINT height, UINT levels, DWORD usage,
                D3DFORMAT format, D3DPOOL pool);

    DWORD STDMETHODCALLTYPE SetLOD(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetLOD() override { return 0; }
    DWORD STDMETHODCALLTYPE GetLevelCount() override { return (DWORD)m_levels.size(); }
    HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE) override { return D3D_OK; }
    D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override
    {
        return D3DTEXF_LINEAR;
    }
    void STDMETHODCALLTYPE GenerateMipSubLevels() override {}
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurface) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT Level, D3DLOCKED_RECT* pLocked, const RECT* pRect,
                                       DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT Level) override;
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT*) override { return D3D_OK; }

    TestSurface& Level(UINT level) { return *m_levels[level]; }
    D3DFORMAT Format() const { return m_levels[0]->Desc().Format; }

private:
    void OnApplicationReleased() override;

    std::vector<std::unique_ptr<TestSurface>> m_levels;
};

class TestVertexBuffer final : public Resource<IDirect3DVertexBuffer9, D3DRTYPE_VERTEXBUFFER>
{
public:
    TestVertexBuffer(TestDevice& device, UINT length, D3DPOOL pool);

    HRESULT STDMETHODCALLTYPE Lock(UINT Offset, UINT Size, void** ppData, DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    SWK_TEST_UNSUPPORTED(GetDesc, D3DVERTEXBUFFER_DESC*)

    std::vector<unsigned char>& Bytes() { return m_bytes; }

private:
    void OnApplicationReleased() override;

    D3DPOOL m_pool;
    std::vector<unsigned char> m_bytes;
    bool m_locked = false;
};

class TestDirect3D;

struct TestDeviceOptions
{
    DWORD pixelShaderVersion = D3DPS_VERSION(3, 0);
    D3DFORMAT displayFormat = D3DFMT_X8R8G8B8;
    // Extra bytes at the end of every locked row, to catch pitch bugs.
    int pitchPadding = 0;
    // (format, usage) pairs that CheckDeviceFormat refuses.
    std::set<std::pair<D3DFORMAT, DWORD>> refused;
    // The texture size limit, which CreateTexture enforces.
    UINT maxTextureSize = 8192;
};

class TestDevice final : public Counted<IDirect3DDevice9>
{
public:
    using Options = TestDeviceOptions;

    explicit TestDevice(Options options = Options());
    ~TestDevice() override;

    // The call log, in order, with the object each call was made on.
    const std::vector<Call>& Calls() const { return m_calls; }
    std::vector<std::string> CallTexts(const std::string& name = "") const;
    int CallCount(const std::string& name) const { return int(CallTexts(name).size()); }
    void ClearCalls() { m_calls.clear(); }
    void Record(const void* object, const std::string& name, const std::string& args);
    // Called with each call as it is recorded, before the device acts on it.
    std::function<void(const Call&)> onCall;

    // Makes the next n calls of the named method fail with hr (n < 0: all).
    void Fail(const std::string& name, HRESULT hr = D3DERR_INVALIDCALL, int n = -1)
    {
        FailFrom(name, 1, n, hr);
    }
    // The same from the nth call on (n from 1), counted from now.
    void FailFrom(const std::string& name, int nth, int n, HRESULT hr = D3DERR_INVALIDCALL)
    {
        m_failures[name] = {hr, nth - 1, n};
    }
    void StopFailing(const std::string& name) { m_failures.erase(name); }
    HRESULT Injected(const std::string& name);
    // How often each failure point was reached, and how many failures were
    // injected, since the last ClearReached.
    const std::map<std::string, int>& Reached() const { return m_reached; }
    int InjectedFailures() const { return m_injectedFailures; }
    void ClearReached()
    {
        m_reached.clear();
        m_injectedFailures = 0;
    }
    // Clears and draws made while the implicit back buffer was the target.
    int BackBufferWrites() const { return m_backBufferWrites; }

    // Live textures and vertex buffers created through this device; those in
    // the default pool are what Reset refuses to run with.
    int LiveResources() const { return m_liveResources; }
    int LiveDefaultPoolResources() const { return m_liveDefault; }
    // A resource created (n = 1) or released by the application (n = -1).
    void Track(D3DPOOL pool, int n)
    {
        m_liveResources += n;
        m_liveDefault += pool == D3DPOOL_DEFAULT ? n : 0;
    }

    Options& Settings() { return m_options; }
    TestSurface* BackBuffer() { return m_backBuffer.get(); }
    TestSurface* DepthStencil() { return m_depth.get(); }
    IDirect3DSurface9* CurrentRenderTarget() { return m_renderTarget; }
    IDirect3DSurface9* CurrentDepthStencil() { return m_depthStencil; }
    DWORD RenderState(D3DRENDERSTATETYPE s) const;
    const D3DMATERIAL9& Material() const { return m_material; }
    IDirect3DBaseTexture9* Texture(DWORD stage) const { return m_textures[stage]; }
    IDirect3DVertexBuffer9* Stream() const { return m_stream; }
    IDirect3DVertexShader9* VertexShader() const { return m_vertexShader; }
    IDirect3DPixelShader9* PixelShader() const { return m_pixelShader; }
    const std::vector<float>& VertexConstants() const { return m_vertexConstants; }
    const std::vector<float>& PixelConstants() const { return m_pixelConstants; }
    // Sampler states set through the device, by (sampler, type).
    const std::map<std::pair<DWORD, DWORD>, DWORD>& SamplerStates() const
    {
        return m_samplerStates;
    }
    DWORD SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE t) const;
    // The blob of each shader created, in creation order.
    const std::vector<std::vector<DWORD>>& ShaderBlobs() const { return m_blobs; }
    bool InScene() const { return m_inScene; }

    STDMETHOD(TestCooperativeLevel)() override { return Injected("TestCooperativeLevel"); }
    STDMETHOD_(UINT, GetAvailableTextureMem)() override { return 256u << 20; }
    STDMETHOD(GetDirect3D)(IDirect3D9** ppD3D9) override;
    STDMETHOD(GetDeviceCaps)(D3DCAPS9* pCaps) override;
    STDMETHOD(GetDisplayMode)(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
    STDMETHOD(Reset)(D3DPRESENT_PARAMETERS*) override;
    STDMETHOD(CreateTexture)
    (UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
     IDirect3DTexture9** pp, HANDLE* pShared) override;
    STDMETHOD(CreateVertexBuffer)
    (UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool, IDirect3DVertexBuffer9** pp,
     HANDLE* pShared) override;
    STDMETHOD(SetRenderTarget)(DWORD Index, IDirect3DSurface9* pTarget) override;
    STDMETHOD(GetRenderTarget)(DWORD Index, IDirect3DSurface9** ppTarget) override;
    STDMETHOD(SetDepthStencilSurface)(IDirect3DSurface9* pSurface) override;
    STDMETHOD(GetDepthStencilSurface)(IDirect3DSurface9** ppSurface) override;
    STDMETHOD(BeginScene)() override;
    STDMETHOD(EndScene)() override;
    STDMETHOD(Clear)
    (DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
     DWORD Stencil) override;
    STDMETHOD(SetViewport)(const D3DVIEWPORT9* pViewport) override;
    STDMETHOD(GetViewport)(D3DVIEWPORT9* pViewport) override;
    STDMETHOD(SetMaterial)(const D3DMATERIAL9* pMaterial) override;
    STDMETHOD(SetRenderState)(D3DRENDERSTATETYPE State, DWORD Value) override;
    STDMETHOD(GetRenderState)(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    STDMETHOD(GetTexture)(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
    STDMETHOD(SetTexture)(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    STDMETHOD(SetTextureStageState)
    (DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    STDMETHOD(GetSamplerState)(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
    STDMETHOD(SetSamplerState)(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
    STDMETHOD(DrawPrimitive)(D3DPRIMITIVETYPE Type, UINT StartVertex, UINT Count) override;
    STDMETHOD(SetFVF)(DWORD FVF) override;
    STDMETHOD(CreateVertexShader)(const DWORD*, IDirect3DVertexShader9**) override;
    STDMETHOD(SetVertexShader)(IDirect3DVertexShader9*) override;
    STDMETHOD(GetVertexShader)(IDirect3DVertexShader9**) override;
    STDMETHOD(SetVertexShaderConstantF)(UINT, const float*, UINT) override;
    STDMETHOD(GetVertexShaderConstantF)(UINT, float*, UINT) override;
    STDMETHOD(SetStreamSource)
    (UINT Stream, IDirect3DVertexBuffer9* pVB, UINT Offset, UINT Stride) override;
    STDMETHOD(CreatePixelShader)(const DWORD*, IDirect3DPixelShader9**) override;
    STDMETHOD(SetPixelShader)(IDirect3DPixelShader9*) override;
    STDMETHOD(GetPixelShader)(IDirect3DPixelShader9**) override;
    STDMETHOD(SetPixelShaderConstantF)(UINT, const float*, UINT) override;
    STDMETHOD(GetPixelShaderConstantF)(UINT, float*, UINT) override;

    SWK_TEST_UNSUPPORTED(EvictManagedResources)
    SWK_TEST_UNSUPPORTED(GetCreationParameters, D3DDEVICE_CREATION_PARAMETERS*)
    SWK_TEST_UNSUPPORTED(Present, const RECT*, const RECT*, HWND, const RGNDATA*)
    SWK_TEST_UNSUPPORTED(GetBackBuffer, UINT, UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface9**)
    SWK_TEST_UNSUPPORTED(CreateRenderTarget, UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD,
                         BOOL, IDirect3DSurface9**, HANDLE*)
    SWK_TEST_UNSUPPORTED(CreateDepthStencilSurface, UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE,
                         DWORD, BOOL, IDirect3DSurface9**, HANDLE*)
    SWK_TEST_UNSUPPORTED(CreateIndexBuffer, UINT, DWORD, D3DFORMAT, D3DPOOL,
                         IDirect3DIndexBuffer9**, HANDLE*)
    SWK_TEST_UNSUPPORTED(GetRenderTargetData, IDirect3DSurface9*, IDirect3DSurface9*)
    SWK_TEST_UNSUPPORTED(GetFrontBufferData, UINT, IDirect3DSurface9*)
    SWK_TEST_UNSUPPORTED(ColorFill, IDirect3DSurface9*, const RECT*, D3DCOLOR)
    SWK_TEST_UNSUPPORTED(CreateOffscreenPlainSurface, UINT, UINT, D3DFORMAT, D3DPOOL,
                         IDirect3DSurface9**, HANDLE*)
    SWK_TEST_UNSUPPORTED(SetTransform, D3DTRANSFORMSTATETYPE, const D3DMATRIX*)
    SWK_TEST_UNSUPPORTED(GetTransform, D3DTRANSFORMSTATETYPE, D3DMATRIX*)
    SWK_TEST_UNSUPPORTED(GetMaterial, D3DMATERIAL9*)
    SWK_TEST_UNSUPPORTED(GetTextureStageState, DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*)
    SWK_TEST_UNSUPPORTED(SetScissorRect, const RECT*)
    SWK_TEST_UNSUPPORTED(GetScissorRect, RECT*)
    SWK_TEST_UNSUPPORTED(DrawIndexedPrimitive, D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT)
    SWK_TEST_UNSUPPORTED(DrawPrimitiveUP, D3DPRIMITIVETYPE, UINT, const void*, UINT)
    SWK_TEST_UNSUPPORTED(GetFVF, DWORD*)
    SWK_TEST_UNSUPPORTED(SetIndices, IDirect3DIndexBuffer9*)
    SWK_TEST_UNSUPPORTED(GetIndices, IDirect3DIndexBuffer9**)
    SWK_TEST_UNSUPPORTED(GetStreamSource, UINT, IDirect3DVertexBuffer9**, UINT*, UINT*)

private:
    HRESULT Unsupported(const char* name);
    template <typename T> void Rebind(T*& slot, T* object);
    template <typename Interface>
    HRESULT NewShader(const char* name, const DWORD* function, Interface** pp);
    template <typename Interface>
    HRESULT SetShader(const char* name, Interface*& slot, Interface* shader);
    HRESULT StoreConstants(const char* name, std::vector<float>& file, UINT first,
                           const float* values, UINT count);

    Options m_options;
    std::vector<Call> m_calls;
    struct Failure
    {
        HRESULT hr;
        int skip;  // calls that still succeed first
        int count; // failures left; < 0: unlimited
    };
    std::map<std::string, Failure> m_failures;
    std::map<std::string, int> m_reached;
    int m_injectedFailures = 0;
    int m_backBufferWrites = 0;
    int m_liveResources = 0;
    int m_liveDefault = 0;
    std::unique_ptr<TestDirect3D> m_d3d;
    // The implicit surfaces go with the device whatever their counts.
    std::unique_ptr<TestSurface> m_backBuffer, m_depth;
    IDirect3DSurface9* m_renderTarget = nullptr;
    IDirect3DSurface9* m_depthStencil = nullptr;
    D3DVIEWPORT9 m_viewport{};
    D3DMATERIAL9 m_material{};
    std::map<DWORD, DWORD> m_renderStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> m_samplerStates;
    IDirect3DBaseTexture9* m_textures[16] = {};
    IDirect3DVertexBuffer9* m_stream = nullptr;
    bool m_inScene = false;
    IDirect3DVertexShader9* m_vertexShader = nullptr;
    IDirect3DPixelShader9* m_pixelShader = nullptr;
    std::vector<float> m_vertexConstants = std::vector<float>(256 * 4);
    std::vector<float> m_pixelConstants = std::vector<float>(224 * 4);
    std::vector<std::vector<DWORD>> m_blobs;
};

// Text of a D3DCOLOR or flags value as the call log writes it.
std::string Hex(DWORD value);

// A device with the given pixel shader version.
inline std::unique_ptr<TestDevice> MakeDevice(DWORD psVersion, TestDeviceOptions options = {})
{
    options.pixelShaderVersion = psVersion;
    return std::make_unique<TestDevice>(options);
}

inline TestTexture* AsTexture(IDirect3DTexture9* p)
{
    return static_cast<TestTexture*>(p);
}
inline TestVertexBuffer* AsBuffer(IDirect3DVertexBuffer9* p)
{
    return static_cast<TestVertexBuffer*>(p);
}

inline D3DSURFACE_DESC TopLevel(IDirect3DTexture9* p)
{
    D3DSURFACE_DESC desc{};
    p->GetLevelDesc(0, &desc);
    return desc;
}

// A member of the vertex at index i of a buffer whose vertices are stride
// bytes long, read from its bytes.
template <typename T> T Member(IDirect3DVertexBuffer9* vb, int stride, int i, int offset)
{
    T value;
    std::memcpy(&value, AsBuffer(vb)->Bytes().data() + static_cast<size_t>(i) * stride + offset,
                sizeof value);
    return value;
}

// The current reference count of a COM object, left as it was.
inline ULONG refCount(IUnknown* p)
{
    p->AddRef();
    return p->Release();
}

} // namespace swk::test
