#include "EffectInput.h"

#include "TestDevice.h"

#include <d3dx9.h>

#include <cstring>
#include <regex>

namespace swk::test
{

std::string CheckEffectInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return {};
    static TestDevice* device = new TestDevice; // one for the process, as a host has
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* messages = nullptr;
    const HRESULT hr = D3DXCreateEffect(device, data, static_cast<UINT>(size), nullptr, nullptr, 0,
                                        nullptr, &effect, &messages);
    std::string text, broken;
    if (messages)
    {
        const char* p = static_cast<const char*>(messages->GetBufferPointer());
        const DWORD n = messages->GetBufferSize();
        text.assign(p, strnlen(p, n));
        if (n != text.size() + 1)
            broken = "message buffer of " + std::to_string(n) + " bytes for " +
                     std::to_string(text.size()) + " characters";
        messages->Release();
    }
    static const std::regex kPlacedError(R"((^|\n)[^\n]*\(\d+(,\d+)?\): error: )");
    if (hr == D3D_OK)
        broken = effect ? broken : "D3D_OK without an effect";
    else if (hr != E_FAIL)
        broken = "unexpected result " + std::to_string(static_cast<unsigned long>(hr));
    else if (effect)
        broken = "an effect left behind by a failure";
    else if (!std::regex_search(text, kPlacedError))
        broken = "failure without a placed error: '" + text + "'";
    if (effect)
        effect->Release();
    return broken;
}

} // namespace swk::test
