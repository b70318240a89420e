// Writes 8-bit BGRA pixels as an RGB PNG; the file appears under its name
// only once it is complete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace swellkit::view
{

bool WritePng(const std::string& path, uint32_t width, uint32_t height,
              const std::vector<uint8_t>& bgra, std::string* why);

} // namespace swellkit::view
