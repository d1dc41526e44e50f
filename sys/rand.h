#pragma once

// The one pseudo-random generator of the program: the classic C library's linear
// congruential generator with 15-bit results, so that a seed gives the same forests, pauses
// and voice-overs on every machine. Every caller of rand/srand in the program uses these.
namespace sys {

// The largest value Rand() returns.
constexpr int kRandMax = 0x7FFF;

// Starts the sequence again from a seed; before any call the seed is 1.
void Srand(unsigned seed);
// The next value of the sequence, 0 .. kRandMax.
int Rand();

}  // namespace sys
