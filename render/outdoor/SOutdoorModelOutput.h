#pragma once

#include <cstdint>
#include <cstring>

#include "render/map/SMapKR5.h"

// How the outdoor world reads a map's placed model: byte 7 carries its flags (0x80: a model
// to place), values 3, 4 and 5 hold its height offset, its heading in radians and its scale
// as 32-bit floats; x and y are its position in map units.
namespace outdoor_output {

constexpr uint8_t kPlaced = 0x80;

inline bool IsPlaced(const SMapKR5Model_Output& output) { return (output.m_byValue7 & kPlaced) != 0; }

inline float AsFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

inline float HeightOffset(const SMapKR5Model_Output& output) { return AsFloat(output.m_dwValue3); }
inline float Heading(const SMapKR5Model_Output& output) { return AsFloat(output.m_dwValue4); }
inline float Scale(const SMapKR5Model_Output& output) { return AsFloat(output.m_dwValue5); }

}  // namespace outdoor_output
