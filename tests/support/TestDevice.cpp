#include "TestDevice.h"
#include "FormatSize.h"

#include <swk/ShaderBlob.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace swk::test
{
namespace
{

std::string Join(std::initializer_list<std::string> parts)
{
    std::string s;
    for (const std::string& p : parts)
        s += (s.empty() ? "" : ",") + p;
    return s;
}

std::string N(long long v)
{
    return std::to_string(v);
}

std::string F(float f)
{
    std::ostringstream s;
    s << f;
    return s.str();
}

template <typename Interface> class TestShader final : public Owned<Interface>
{
public:
    using Owned<Interface>::Owned;
    SWK_TEST_UNSUPPORTED(GetFunction, void*, UINT*)

private:
    using Owned<Interface>::Unsupported;
};

template <typename T> HRESULT HandOut(T* object, T** out)
{
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = object;
    if (object)
        object->AddRef();
    return D3D_OK;
}

// Our device's shader blobs carry their length in the header; anything else is
// kept as its first word.
std::vector<DWORD> CopyBlob(const DWORD* f)
{
    swk::ShaderBlobHeader h{};
    std::memcpy(&h, f, sizeof h);
    if (h.magic != swk::kShaderBlobMagic)
        return {f[0]};
    return std::vector<DWORD>(f, f + sizeof h / 4 + h.inputCount * 3 + h.spirvWords);
}

// Loads count float4 registers from first on out of a register file.
HRESULT LoadRegisters(const std::vector<float>& file, UINT first, UINT count, float* out)
{
    if (!out || (first + count) * 4 > file.size())
        return D3DERR_INVALIDCALL;
    std::memcpy(out, file.data() + first * 4, count * 16);
    return D3D_OK;
}

D3DSURFACE_DESC SurfaceDesc(D3DFORMAT format, DWORD usage, D3DPOOL pool, UINT width, UINT height)
{
    return {format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0, width, height};
}

// A state never set reads as 0.
template <typename Key> DWORD ValueOr0(const std::map<Key, DWORD>& states, const Key& key)
{
    const auto it = states.find(key);
    return it == states.end() ? 0 : it->second;
}

} // namespace

std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

class TestDirect3D final : public Counted<IDirect3D9>
{
public:
    using Counted::Counted;
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return 1; }
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT, D3DFORMAT) override { return 0; }
    SWK_TEST_UNSUPPORTED(GetAdapterIdentifier, UINT, DWORD, D3DADAPTER_IDENTIFIER9*)
    SWK_TEST_UNSUPPORTED(EnumAdapterModes, UINT, D3DFORMAT, UINT, D3DDISPLAYMODE*)
    SWK_TEST_UNSUPPORTED(GetAdapterDisplayMode, UINT, D3DDISPLAYMODE*)
    SWK_TEST_UNSUPPORTED(CheckDeviceType, UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL)
    SWK_TEST_UNSUPPORTED(CheckDepthStencilMatch, UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT)
    SWK_TEST_UNSUPPORTED(GetDeviceCaps, UINT, D3DDEVTYPE, D3DCAPS9*)
    SWK_TEST_UNSUPPORTED(CreateDevice, UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                         IDirect3DDevice9**)
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT Adapter, D3DDEVTYPE Type,
                                                D3DFORMAT AdapterFormat, DWORD Usage,
                                                D3DRESOURCETYPE RType, D3DFORMAT Format) override
    {
        Device().Record(
            this, "CheckDeviceFormat",
            Join({N(Adapter), N(Type), N(AdapterFormat), Hex(Usage), N(RType), N(Format)}));
        if (const HRESULT hr = Device().Injected("CheckDeviceFormat"); FAILED(hr))
            return hr;
        for (const auto& refused : Device().Settings().refused)
            if (refused.first == Format && (refused.second & Usage) == refused.second)
                return D3DERR_NOTAVAILABLE;
        return D3D_OK;
    }

private:
    HRESULT Unsupported(const char*) const { return D3DERR_INVALIDCALL; }
    // The device owns this object; the device is not released with it.
    void OnLastRelease() override {}
};

// --- surfaces -------------------------------------------------------------

TestSurface::TestSurface(TestDevice& device, D3DSURFACE_DESC desc, TestTexture* owner)
    : Resource(device), m_desc(desc), m_owner(owner),
      m_pitch(static_cast<int>(desc.Width * BytesPerTexel(desc.Format)) +
              device.Settings().pitchPadding),
      m_bytes(static_cast<size_t>(m_pitch) * desc.Height, 0)
{
}

void TestSurface::Bind()
{
    m_owner ? m_owner->Bind() : Counted::Bind();
}

void TestSurface::Unbind()
{
    m_owner ? m_owner->Unbind() : Counted::Unbind();
}

HRESULT TestSurface::LockRect(D3DLOCKED_RECT* pLocked, const RECT* pRect, DWORD)
{
    if (m_locked)
        return D3DERR_INVALIDCALL;
    m_locked = true;
    size_t offset = 0;
    if (pRect)
        offset = static_cast<size_t>(pRect->top) * m_pitch +
                 static_cast<size_t>(pRect->left) * BytesPerTexel(m_desc.Format);
    pLocked->pBits = m_bytes.data() + offset;
    pLocked->Pitch = m_pitch;
    return D3D_OK;
}

HRESULT TestSurface::UnlockRect()
{
    if (!m_locked)
        return D3DERR_INVALIDCALL;
    m_locked = false;
    return D3D_OK;
}

ULONG TestSurface::AddRef()
{
    return m_owner ? m_owner->AddRef() : Counted::AddRef();
}

ULONG TestSurface::Release()
{
    return m_owner ? m_owner->Release() : Counted::Release();
}

// --- textures -------------------------------------------------------------

TestTexture::TestTexture(TestDevice& device, UINT width, UINT height, UINT levels, DWORD usage,
                         D3DFORMAT format, D3DPOOL pool)
    : Resource(device)
{
    UINT chain = 1;
    for (UINT w = width, h = height; w > 1 || h > 1;
         w = std::max(1u, w / 2), h = std::max(1u, h / 2))
        ++chain;
    // The automatic chain is one level to the application, as under Direct3D 9.
    if (usage & D3DUSAGE_AUTOGENMIPMAP)
        levels = 1;
    else if (levels == 0 || levels > chain)
        levels = chain;
    for (UINT l = 0; l < levels; ++l)
    {
        const D3DSURFACE_DESC desc =
            SurfaceDesc(format, usage, pool, std::max(1u, width >> l), std::max(1u, height >> l));
        m_levels.push_back(std::make_unique<TestSurface>(device, desc, this));
    }
    device.Track(pool, 1);
}

void TestTexture::OnApplicationReleased()
{
    Device().Track(m_levels[0]->Desc().Pool, -1);
}

HRESULT TestTexture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    return Level < m_levels.size() ? CopyOut(pDesc, m_levels[Level]->Desc()) : D3DERR_INVALIDCALL;
}

HRESULT TestTexture::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurface)
{
    Device().Record(this, "GetSurfaceLevel", N(Level));
    if (!ppSurface)
        return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    if (Level >= m_levels.size())
        return D3DERR_INVALIDCALL;
    if (const HRESULT hr = Device().Injected("GetSurfaceLevel"); FAILED(hr))
        return hr;
    // A level's references count on its texture: it lives as long as the texture.
    AddRef();
    *ppSurface = m_levels[Level].get();
    return D3D_OK;
}

HRESULT TestTexture::LockRect(UINT Level, D3DLOCKED_RECT* pLocked, const RECT* pRect, DWORD Flags)
{
    Device().Record(this, "LockRect", Join({N(Level), pRect ? "rect" : "NULL", Hex(Flags)}));
    if (!pLocked || Level >= m_levels.size())
        return D3DERR_INVALIDCALL;
    pLocked->pBits = nullptr;
    pLocked->Pitch = 0;
    // Default-pool textures lock only when dynamic, as under Direct3D 9.
    const D3DSURFACE_DESC& desc = m_levels[0]->Desc();
    if (desc.Pool == D3DPOOL_DEFAULT && !(desc.Usage & D3DUSAGE_DYNAMIC))
        return D3DERR_INVALIDCALL;
    if (const HRESULT hr = Device().Injected("LockRect"); FAILED(hr))
        return hr;
    return m_levels[Level]->LockRect(pLocked, pRect, Flags);
}

HRESULT TestTexture::UnlockRect(UINT Level)
{
    Device().Record(this, "UnlockRect", N(Level));
    if (Level >= m_levels.size())
        return D3DERR_INVALIDCALL;
    return m_levels[Level]->UnlockRect();
}

// --- vertex buffers ---------------------------------------------------------

TestVertexBuffer::TestVertexBuffer(TestDevice& device, UINT length, D3DPOOL pool)
    : Resource(device), m_pool(pool), m_bytes(length, 0xCD)
{
    device.Track(pool, 1);
}

void TestVertexBuffer::OnApplicationReleased()
{
    Device().Track(m_pool, -1);
}

HRESULT TestVertexBuffer::Lock(UINT Offset, UINT Size, void** ppData, DWORD Flags)
{
    Device().Record(this, "VB.Lock", Join({N(Offset), N(Size), Hex(Flags)}));
    if (!ppData)
        return D3DERR_INVALIDCALL;
    *ppData = nullptr;
    if (m_locked || Offset > m_bytes.size())
        return D3DERR_INVALIDCALL;
    if (const HRESULT hr = Device().Injected("VB.Lock"); FAILED(hr))
        return hr;
    // A discarding lock hands back fresh memory: the old contents are gone.
    if (Flags & D3DLOCK_DISCARD)
        std::fill(m_bytes.begin(), m_bytes.end(), 0xDD);
    m_locked = true;
    *ppData = m_bytes.data() + Offset;
    return D3D_OK;
}

HRESULT TestVertexBuffer::Unlock()
{
    Device().Record(this, "VB.Unlock", "");
    if (!m_locked)
        return D3DERR_INVALIDCALL;
    m_locked = false;
    return D3D_OK;
}

// --- the device -------------------------------------------------------------

TestDevice::TestDevice(Options options) : Counted(*this), m_options(std::move(options))
{
    m_d3d = std::make_unique<TestDirect3D>(*this);
    const D3DSURFACE_DESC back =
        SurfaceDesc(D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, 640, 480);
    m_backBuffer = std::make_unique<TestSurface>(*this, back, nullptr);
    D3DSURFACE_DESC depth = back;
    depth.Format = D3DFMT_D24S8;
    depth.Usage = D3DUSAGE_DEPTHSTENCIL;
    m_depth = std::make_unique<TestSurface>(*this, depth, nullptr);
    Rebind<IDirect3DSurface9>(m_renderTarget, m_backBuffer.get());
    Rebind<IDirect3DSurface9>(m_depthStencil, m_depth.get());
    m_viewport = {0, 0, back.Width, back.Height, 0.0f, 1.0f};
    // Direct3D 9's defaults for the states the generator saves.
    m_renderStates = {
        {D3DRS_ZENABLE, D3DZB_TRUE},     {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_CULLMODE, D3DCULL_CCW},   {D3DRS_CLIPPING, TRUE},
        {D3DRS_LIGHTING, TRUE},          {D3DRS_FOGENABLE, FALSE},
        {D3DRS_ALPHABLENDENABLE, FALSE}, {D3DRS_ALPHATESTENABLE, FALSE},
        {D3DRS_STENCILENABLE, FALSE},    {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1}};
    m_calls.clear();
}

TestDevice::~TestDevice()
{
    for (IDirect3DBaseTexture9*& t : m_textures)
        Rebind<IDirect3DBaseTexture9>(t, nullptr);
    Rebind<IDirect3DVertexShader9>(m_vertexShader, nullptr);
    Rebind<IDirect3DPixelShader9>(m_pixelShader, nullptr);
    Rebind<IDirect3DVertexBuffer9>(m_stream, nullptr);
    Rebind<IDirect3DSurface9>(m_renderTarget, nullptr);
    Rebind<IDirect3DSurface9>(m_depthStencil, nullptr);
}

void TestDevice::Record(const void* object, const std::string& name, const std::string& args)
{
    m_calls.push_back(Call{name, args, object});
    if (onCall)
        onCall(m_calls.back());
}

std::vector<std::string> TestDevice::CallTexts(const std::string& name) const
{
    std::vector<std::string> texts;
    for (const Call& c : m_calls)
        if (name.empty() || c.name == name)
            texts.push_back(c.Text());
    return texts;
}

HRESULT TestDevice::Injected(const std::string& name)
{
    ++m_reached[name];
    auto it = m_failures.find(name);
    if (it == m_failures.end() || it->second.count == 0)
        return D3D_OK;
    if (it->second.skip > 0)
    {
        --it->second.skip;
        return D3D_OK;
    }
    if (it->second.count > 0)
        --it->second.count;
    ++m_injectedFailures;
    return it->second.hr;
}

HRESULT TestDevice::Unsupported(const char* name)
{
    Record(this, name, "unsupported");
    return D3DERR_INVALIDCALL;
}

template <typename T> void TestDevice::Rebind(T*& slot, T* object)
{
    if (object)
        dynamic_cast<Bindable&>(*object).Bind();
    if (slot)
        dynamic_cast<Bindable&>(*slot).Unbind();
    slot = object;
}

DWORD TestDevice::RenderState(D3DRENDERSTATETYPE s) const
{
    return ValueOr0(m_renderStates, DWORD(s));
}

DWORD TestDevice::SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE t) const
{
    return ValueOr0(m_samplerStates, {sampler, t});
}

HRESULT TestDevice::GetDirect3D(IDirect3D9** ppD3D9)
{
    Record(this, "GetDirect3D", "");
    if (!ppD3D9)
        return D3DERR_INVALIDCALL;
    *ppD3D9 = nullptr;
    if (const HRESULT hr = Injected("GetDirect3D"); FAILED(hr))
        return hr;
    return HandOut<IDirect3D9>(m_d3d.get(), ppD3D9);
}

HRESULT TestDevice::GetDeviceCaps(D3DCAPS9* pCaps)
{
    Record(this, "GetDeviceCaps", "");
    if (!pCaps)
        return D3DERR_INVALIDCALL;
    if (const HRESULT hr = Injected("GetDeviceCaps"); FAILED(hr))
    {
        // A failing call that scribbles: the caller must not trust the struct.
        std::memset(pCaps, 0xFF, sizeof *pCaps);
        return hr;
    }
    // The generator reads the pixel shader version only.
    std::memset(pCaps, 0, sizeof *pCaps);
    pCaps->PixelShaderVersion = m_options.pixelShaderVersion;
    return D3D_OK;
}

HRESULT TestDevice::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode)
{
    Record(this, "GetDisplayMode", N(iSwapChain));
    if (!pMode || iSwapChain != 0)
        return D3DERR_INVALIDCALL;
    if (const HRESULT hr = Injected("GetDisplayMode"); FAILED(hr))
        return hr;
    *pMode = {640, 480, 60, m_options.displayFormat};
    return D3D_OK;
}

HRESULT TestDevice::Reset(D3DPRESENT_PARAMETERS*)
{
    Record(this, "Reset", "");
    // Direct3D 9 refuses while default-pool resources are alive.
    return m_liveDefault > 0 ? D3DERR_INVALIDCALL : Injected("Reset");
}

HRESULT TestDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                  D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                                  HANDLE* pSharedHandle)
{
    Record(this, "CreateTexture",
           Join({N(Width), N(Height), N(Levels), Hex(Usage), N(Format), N(Pool),
                 pSharedHandle ? "handle" : "NULL"}));
    if (!ppTexture)
        return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    if (Width == 0 || Height == 0 || Width > m_options.maxTextureSize ||
        Height > m_options.maxTextureSize || pSharedHandle)
        return D3DERR_INVALIDCALL;
    if (const HRESULT hr = Injected("CreateTexture"); FAILED(hr))
        return hr;
    *ppTexture = new TestTexture(*this, Width, Height, Levels, Usage, Format, Pool);
    return D3D_OK;
}

HRESULT TestDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                       IDirect3DVertexBuffer9** ppVB, HANDLE* pSharedHandle)
{
    Record(this, "CreateVertexBuffer",
           Join({N(Length), Hex(Usage), Hex(FVF), N(Pool), pSharedHandle ? "handle" : "NULL"}));
    if (!ppVB)
        return D3DERR_INVALIDCALL;
    *ppVB = nullptr;
    if (Length == 0 || pSharedHandle)
        return D3DERR_INVALIDCALL;
    // The largest vertex buffer the double agrees to back with memory.
    if (Length > 1u << 28)
        return D3DERR_OUTOFVIDEOMEMORY;
    if (const HRESULT hr = Injected("CreateVertexBuffer"); FAILED(hr))
        return hr;
    *ppVB = new TestVertexBuffer(*this, Length, Pool);
    return D3D_OK;
}

HRESULT TestDevice::SetRenderTarget(DWORD Index, IDirect3DSurface9* pTarget)
{
    Record(this, "SetRenderTarget", Join({N(Index), pTarget ? "surface" : "NULL"}));
    // Render target 0 can never be null, and the double has one target only.
    if (Index != 0 || !pTarget)
        return D3DERR_INVALIDCALL;
    Rebind(m_renderTarget, pTarget);
    D3DSURFACE_DESC desc;
    pTarget->GetDesc(&desc);
    m_viewport = {0, 0, desc.Width, desc.Height, 0.0f, 1.0f};
    return D3D_OK;
}

HRESULT TestDevice::GetRenderTarget(DWORD Index, IDirect3DSurface9** ppTarget)
{
    Record(this, "GetRenderTarget", N(Index));
    if (!ppTarget)
        return D3DERR_INVALIDCALL;
    *ppTarget = nullptr;
    if (Index != 0)
        return D3DERR_NOTFOUND;
    if (const HRESULT hr = Injected("GetRenderTarget"); FAILED(hr))
        return hr;
    return HandOut(m_renderTarget, ppTarget);
}

HRESULT TestDevice::SetDepthStencilSurface(IDirect3DSurface9* pSurface)
{
    Record(this, "SetDepthStencilSurface", pSurface ? "surface" : "NULL");
    Rebind(m_depthStencil, pSurface);
    return D3D_OK;
}

HRESULT TestDevice::GetDepthStencilSurface(IDirect3DSurface9** ppSurface)
{
    Record(this, "GetDepthStencilSurface", "");
    if (!ppSurface)
        return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    if (!m_depthStencil)
        return D3DERR_NOTFOUND;
    if (const HRESULT hr = Injected("GetDepthStencilSurface"); FAILED(hr))
        return hr;
    return HandOut(m_depthStencil, ppSurface);
}

HRESULT TestDevice::BeginScene()
{
    Record(this, "BeginScene", "");
    if (m_inScene)
        return D3DERR_INVALIDCALL;
    if (const HRESULT hr = Injected("BeginScene"); FAILED(hr))
        return hr;
    m_inScene = true;
    return D3D_OK;
}

HRESULT TestDevice::EndScene()
{
    Record(this, "EndScene", "");
    if (!m_inScene)
        return D3DERR_INVALIDCALL;
    if (const HRESULT hr = Injected("EndScene"); FAILED(hr))
        return hr;
    m_inScene = false;
    return D3D_OK;
}

HRESULT TestDevice::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                          DWORD Stencil)
{
    Record(this, "Clear",
           Join({N(Count), pRects ? "rects" : "NULL", Hex(Flags), Hex(Color), F(Z), N(Stencil)}));
    if (const HRESULT hr = Injected("Clear"); FAILED(hr))
        return hr;
    m_backBufferWrites += m_renderTarget == m_backBuffer.get();
    return D3D_OK;
}

HRESULT TestDevice::SetViewport(const D3DVIEWPORT9* p)
{
    if (!p)
        return D3DERR_INVALIDCALL;
    Record(this, "SetViewport",
           Join({N(p->X), N(p->Y), N(p->Width), N(p->Height), F(p->MinZ), F(p->MaxZ)}));
    m_viewport = *p;
    return D3D_OK;
}

HRESULT TestDevice::GetViewport(D3DVIEWPORT9* p)
{
    Record(this, "GetViewport", "");
    return CopyOut(p, m_viewport);
}

HRESULT TestDevice::SetMaterial(const D3DMATERIAL9* p)
{
    Record(this, "SetMaterial", "");
    if (!p)
        return D3DERR_INVALIDCALL;
    m_material = *p;
    return D3D_OK;
}

HRESULT TestDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value)
{
    Record(this, "SetRenderState", Join({N(State), N(Value)}));
    m_renderStates[State] = Value;
    return D3D_OK;
}

HRESULT TestDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue)
{
    Record(this, "GetRenderState", N(State));
    return CopyOut(pValue, RenderState(State));
}

HRESULT TestDevice::GetTexture(DWORD Stage, IDirect3DBaseTexture9** pp)
{
    return Stage < 16 ? HandOut(m_textures[Stage], pp) : D3DERR_INVALIDCALL;
}

HRESULT TestDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture9* p)
{
    Record(this, "SetTexture", Join({N(Stage), p ? "texture" : "NULL"}));
    if (Stage >= 16)
        return D3DERR_INVALIDCALL;
    Rebind(m_textures[Stage], p);
    return D3D_OK;
}

HRESULT TestDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value)
{
    Record(this, "SetTextureStageState", Join({N(Stage), N(Type), N(Value)}));
    return D3D_OK;
}

HRESULT TestDevice::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* p)
{
    return CopyOut(p, SamplerState(Sampler, Type));
}

HRESULT TestDevice::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value)
{
    Record(this, "SetSamplerState", Join({N(Sampler), N(Type), N(Value)}));
    m_samplerStates[{Sampler, Type}] = Value;
    return D3D_OK;
}

HRESULT TestDevice::DrawPrimitive(D3DPRIMITIVETYPE Type, UINT StartVertex, UINT PrimitiveCount)
{
    Record(this, "DrawPrimitive", Join({N(Type), N(StartVertex), N(PrimitiveCount)}));
    if (!m_inScene)
        return D3DERR_INVALIDCALL;
    if (const HRESULT hr = Injected("DrawPrimitive"); FAILED(hr))
        return hr;
    m_backBufferWrites += m_renderTarget == m_backBuffer.get();
    return D3D_OK;
}

HRESULT TestDevice::SetFVF(DWORD FVF)
{
    Record(this, "SetFVF", Hex(FVF));
    return D3D_OK;
}

template <typename Interface>
HRESULT TestDevice::NewShader(const char* name, const DWORD* function, Interface** pp)
{
    Record(this, name, "");
    if (!function || !pp)
        return D3DERR_INVALIDCALL;
    m_blobs.push_back(CopyBlob(function));
    *pp = new TestShader<Interface>(*this);
    return D3D_OK;
}

template <typename Interface>
HRESULT TestDevice::SetShader(const char* name, Interface*& slot, Interface* shader)
{
    Record(this, name, shader ? "shader" : "NULL");
    Rebind(slot, shader);
    return D3D_OK;
}

// Stores count float4 registers from first on in a register file.
HRESULT TestDevice::StoreConstants(const char* name, std::vector<float>& file, UINT first,
                                   const float* values, UINT count)
{
    Record(this, name, Join({N(first), N(count)}));
    if (!values || (first + count) * 4 > file.size())
        return D3DERR_INVALIDCALL;
    std::memcpy(file.data() + first * 4, values, count * 16);
    return D3D_OK;
}

HRESULT TestDevice::CreateVertexShader(const DWORD* f, IDirect3DVertexShader9** pp)
{
    return NewShader("CreateVertexShader", f, pp);
}
HRESULT TestDevice::SetVertexShader(IDirect3DVertexShader9* p)
{
    return SetShader("SetVertexShader", m_vertexShader, p);
}
HRESULT TestDevice::GetVertexShader(IDirect3DVertexShader9** pp)
{
    return HandOut(m_vertexShader, pp);
}
HRESULT TestDevice::SetVertexShaderConstantF(UINT first, const float* p, UINT count)
{
    return StoreConstants("SetVertexShaderConstantF", m_vertexConstants, first, p, count);
}
HRESULT TestDevice::GetVertexShaderConstantF(UINT first, float* p, UINT count)
{
    return LoadRegisters(m_vertexConstants, first, count, p);
}

HRESULT TestDevice::CreatePixelShader(const DWORD* f, IDirect3DPixelShader9** pp)
{
    return NewShader("CreatePixelShader", f, pp);
}
HRESULT TestDevice::SetPixelShader(IDirect3DPixelShader9* p)
{
    return SetShader("SetPixelShader", m_pixelShader, p);
}
HRESULT TestDevice::GetPixelShader(IDirect3DPixelShader9** pp)
{
    return HandOut(m_pixelShader, pp);
}
HRESULT TestDevice::SetPixelShaderConstantF(UINT first, const float* p, UINT count)
{
    return StoreConstants("SetPixelShaderConstantF", m_pixelConstants, first, p, count);
}
HRESULT TestDevice::GetPixelShaderConstantF(UINT first, float* p, UINT count)
{
    return LoadRegisters(m_pixelConstants, first, count, p);
}

HRESULT TestDevice::SetStreamSource(UINT Stream, IDirect3DVertexBuffer9* pVB, UINT Offset,
                                    UINT Stride)
{
    Record(this, "SetStreamSource",
           Join({N(Stream), pVB ? "buffer" : "NULL", N(Offset), N(Stride)}));
    if (Stream != 0)
        return D3DERR_INVALIDCALL;
    Rebind(m_stream, pVB);
    return D3D_OK;
}

} // namespace swk::test
