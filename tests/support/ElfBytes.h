#pragma once

// Reads the few header fields of a 64-bit little-endian library that the tests damage, as our
// own libraries are built.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvex::test {

inline uint64_t ElfField(const std::string& bytes, size_t at, size_t width) {
    uint64_t value = 0;
    for (size_t i = width; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

// The file offset of the dynamic segment (program header type 2), or 0 when there is none.
inline size_t ElfDynamicAt(const std::string& bytes) {
    const uint64_t table = ElfField(bytes, 32, 8), size = ElfField(bytes, 54, 2), count = ElfField(bytes, 56, 2);
    for (uint64_t i = 0; i < count; ++i)
        if (ElfField(bytes, table + i * size, 4) == 2)
            return ElfField(bytes, table + i * size + 8, 8);
    return 0;
}

}  // namespace tarvex::test
