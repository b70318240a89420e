// What D3DXCreateEffect must do with any source text: either an effect, or
// E_FAIL with "file(line,col): error:" messages in a buffer sized to its text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace swk::test
{

// Empty when the compiler kept its contract; otherwise what it broke.
std::string CheckEffectInput(const uint8_t* data, size_t size);

} // namespace swk::test
