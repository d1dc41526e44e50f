#include "sys/muldiv.h"

#include <cstdlib>
#include <limits>

namespace sys {

int32_t MulDiv(int32_t nNumber, int32_t nNumerator, int32_t nDenominator) {
    if (nDenominator == 0)
        return -1;
    const int64_t product = static_cast<int64_t>(nNumber) * nNumerator;
    const int64_t divisor = nDenominator;
    // Rounding on magnitudes keeps halves moving away from zero for every sign combination.
    const bool bNegative = (product < 0) != (divisor < 0);
    const uint64_t magnitude = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
    const uint64_t absDivisor = divisor < 0 ? static_cast<uint64_t>(-divisor) : static_cast<uint64_t>(divisor);
    const uint64_t quotient = (magnitude + absDivisor / 2) / absDivisor;
    const int64_t result = bNegative ? -static_cast<int64_t>(quotient) : static_cast<int64_t>(quotient);
    if (result > std::numeric_limits<int32_t>::max() || result < std::numeric_limits<int32_t>::min())
        return -1;
    return static_cast<int32_t>(result);
}

}  // namespace sys
