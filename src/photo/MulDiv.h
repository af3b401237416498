#pragma once
#include <cstdint>

// a x b / c with the product held in 64 bits and the quotient truncated towards zero:
// the result of the view's 32-bit arithmetic wherever that would not overflow, and
// still defined where it would. a and b are 32-bit values; c is never 0.
inline int64_t mulDiv(int64_t a, int64_t b, int64_t c) { return a * b / c; }
