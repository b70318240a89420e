// Evaluates the initialiser of an effect parameter: numbers, true/false,
// arithmetic, {...} lists and type constructors such as float3(1, 2, 3),
// flattened to one list of values in declaration order.
#pragma once

#include "TokenCursor.h"

#include <vector>

namespace swk::d3dx9::fx
{

// Reads one initialiser up to (not including) the ',' or ';' that ends it.
std::vector<double> evaluateInitializer(TokenCursor& cursor);

// The value of a number token (decimal, hexadecimal, with or without suffix).
double numberValue(std::string_view text);

} // namespace swk::d3dx9::fx
