// A lit look at the water for people rather than pipelines: a sky reflected
// with a Fresnel-like weight over a deep-water colour, and a sun glint, all
// from the normal map seen from above at a slant.
#pragma once

#include <array>

namespace swk::tools
{

// The colour, components in [0, 1], for a unit normal (z up, y along the
// map's rows).
std::array<float, 3> ShadeWater(float nx, float ny, float nz);

} // namespace swk::tools
