#include "BakeOptions.h"

#include <cmath>
#include <cstdlib>

namespace swk::tools
{

std::optional<std::pair<int, int>> ParseExtent(const std::string& text, int lo, int hi)
{
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x + 1 == text.size())
        return std::nullopt;
    auto number = [&](const std::string& part) -> std::optional<int>
    {
        if (part.find_first_not_of("0123456789") != std::string::npos || part.size() > 9)
            return std::nullopt;
        const int n = std::atoi(part.c_str());
        return n >= lo && n <= hi ? std::optional<int>(n) : std::nullopt;
    };
    const auto w = number(text.substr(0, x));
    const auto h = number(text.substr(x + 1));
    if (!w || !h)
        return std::nullopt;
    return std::make_pair(*w, *h);
}

uint32_t FrameMilliseconds(int64_t k, double fps)
{
    const auto clock = [fps](int64_t frames)
    { return std::llround(double(frames) * 1000.0 / fps); };
    return uint32_t(clock(k + 1) - clock(k));
}

} // namespace swk::tools
