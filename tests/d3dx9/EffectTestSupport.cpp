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
    KeepMessages(buffer);
}

CompiledOnDevice::CompiledOnDevice(HMODULE module, int id)
{
    ID3DXBuffer* buffer = nullptr;
    hr = D3DXCreateEffectFromResourceA(device, module, MAKEINTRESOURCE(id), nullptr, nullptr,
                                       D3DXSHADER_NO_PRESHADER, nullptr, &effect, &buffer);
    KeepMessages(buffer);
}

void CompiledOnDevice::KeepMessages(ID3DXBuffer* buffer)
{
    if (!buffer)
        return;
    returnedMessages = true;
    const char* text = static_cast<const char*>(buffer->GetBufferPointer());
    const DWORD size = buffer->GetBufferSize();
    messages.assign(text, strnlen(text, size));
    messagesSized = size == messages.size() + 1 && text[messages.size()] == '\0';
    buffer->Release();
}

CompiledOnDevice::~CompiledOnDevice()
{
    if (effect)
        effect->Release();
    device->Release();
}

} // namespace swk::test
