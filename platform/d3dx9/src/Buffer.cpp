#include "Buffer.h"

#include <swk/Com.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace swk::d3dx9
{
namespace
{

// Interface id of ID3DXBuffer, so that QueryInterface answers as the real one does.
const IID kIidBuffer = {
    0x8ba5fb08, 0x5195, 0x40e2, {0xac, 0x58, 0x0d, 0x98, 0x9c, 0x3a, 0x01, 0x02}};

class Buffer final : public ComObject<ID3DXBuffer>
{
public:
    explicit Buffer(DWORD bytes) : bytes_(bytes) {}

    STDMETHODIMP_(LPVOID) GetBufferPointer() override
    {
        return bytes_.empty() ? nullptr : bytes_.data();
    }
    STDMETHODIMP_(DWORD) GetBufferSize() override { return static_cast<DWORD>(bytes_.size()); }

private:
    bool implements(REFIID riid) const override
    {
        return IsEqualIID(riid, kIidBuffer) || ComObject::implements(riid);
    }

    std::vector<unsigned char> bytes_;
};

} // namespace

HRESULT createTextBuffer(const std::string& text, ID3DXBuffer** ppBuffer)
{
    // The size always covers the text and its NUL, cut short if a DWORD cannot say it.
    const size_t length = std::min<size_t>(text.size(), std::numeric_limits<DWORD>::max() - 1);
    const HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(length + 1), ppBuffer);
    if (SUCCEEDED(hr))
    {
        char* out = static_cast<char*>((*ppBuffer)->GetBufferPointer());
        std::memcpy(out, text.data(), length);
        out[length] = '\0';
    }
    return hr;
}

} // namespace swk::d3dx9

extern "C" HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer)
{
    if (!ppBuffer)
        return D3DERR_INVALIDCALL;
    *ppBuffer = nullptr;
    try
    {
        *ppBuffer = new swk::d3dx9::Buffer(NumBytes);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}
