#pragma once

// Builds "SMAP" files byte by byte, so the reader's tests can lay out records the way a file
// holds them (file row order, unflipped Y) and damage them on purpose.

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace tarvex::test {

struct MapBytes {
    std::vector<uint8_t> b;

    MapBytes& U8(uint8_t v) {
        b.push_back(v);
        return *this;
    }
    MapBytes& U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }
    MapBytes& U32(uint32_t v) { return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16)); }
    MapBytes& F32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return U32(bits);
    }
    MapBytes& Text(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    MapBytes& Str(const std::string& s) { return U16(static_cast<uint16_t>(s.size())).Text(s); }
    MapBytes& Append(const MapBytes& other) {
        b.insert(b.end(), other.b.begin(), other.b.end());
        return *this;
    }
    // A record head with the body's true length, then the body.
    MapBytes& Record(uint8_t type, const MapBytes& body) {
        return U8(type).U8(0).U32(static_cast<uint32_t>(body.b.size())).Append(body);
    }
};

// The header of a version-3 map whose records follow at once.
inline MapBytes MapHeader(int32_t records, uint8_t version = 3, const char* magic = "SMAP") {
    MapBytes m;
    m.Text(std::string(magic, 4)).U8(version).U8(0).U32(static_cast<uint32_t>(records)).U32(14);
    return m;
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tarvex::test
