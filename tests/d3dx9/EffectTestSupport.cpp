#include "EffectTestSupport.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace swk::test
{

std::string ReadEffectSource(const char* fileName)
{
    std::ifstream in(std::string(SWK_EFFECTS_DIR) + "/" + fileName, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

CompiledOnDevice::CompiledOnDevice(const std::string& source, const D3DXMACRO* defines,
                                   ID3DXInclude* include, DWORD flags)
{
    ID3DXBuffer* buffer = nullptr;
    hr = D3DXCreateEffect(device, source.data(), static_cast<UINT>(source.size()), defines, include,
                          flags, nullptr, &effect, &buffer);
    if (buffer)
    {
        const char* text = static_cast<const char*>(buffer->GetBufferPointer());
        const DWORD size = buffer->GetBufferSize();
        messages.assign(text, strnlen(text, size));
        messagesSized = size == messages.size() + 1 && text[messages.size()] == '\0';
        buffer->Release();
    }
}

CompiledOnDevice::~CompiledOnDevice()
{
    if (effect)
        effect->Release();
    device->Release();
}

} // namespace swk::test
