#pragma once

#include <d3dx9.h>

#include <string>

namespace swk::d3dx9
{

// A buffer holding text and its terminating NUL, as compiler messages are returned.
HRESULT createTextBuffer(const std::string& text, ID3DXBuffer** ppBuffer);

} // namespace swk::d3dx9
