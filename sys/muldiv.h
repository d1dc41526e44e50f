#pragma once

#include <cstdint>

// Scales a value by a fraction without overflowing on the way: the widgets map positions to
// pixels and back with it. The product is taken in 64 bits and the quotient rounded to the
// nearest integer, halves away from zero; a zero divisor, or a result outside 32 bits, gives -1.
namespace sys {

int32_t MulDiv(int32_t nNumber, int32_t nNumerator, int32_t nDenominator);

}  // namespace sys
