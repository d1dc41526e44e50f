#pragma once

// The map's and the outdoor world's row kernels walk whole rows whose bounds hold by
// construction: 65,536 grid values, cells or cell records per map. Checked builds would
// otherwise test every one of them, which made reading or building one map there many times
// slower than everything else the code does; they are left out of the sanitizers and of
// coverage.
#if defined(__clang__)
#define MAP_ROW_KERNEL __attribute__((no_sanitize("address", "undefined", "coverage")))
#else
#define MAP_ROW_KERNEL
#endif
