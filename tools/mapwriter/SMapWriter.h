#pragma once

#include <cstdint>
#include <vector>

class SMapKR5;

// Writes a scenario map as an "SMAP" version 3 file that reads back to the given map: the
// inverse of the reader's orientation (grids divided by 8.0, rows mirrored back, cells moved
// one row down, in-cell Y and output positions flipped back). The reader repeats row 254 of
// the cells as row 255, so a map's last cell row is only kept when it equals row 254.
// Used by the demo-data tool and by the tests.
namespace smapwriter {

// Which records a file carries. A map without its grids and cells is a few hundred bytes,
// which suits fuzzing seeds and tests of the lists.
enum Records : unsigned {
    kTags = 1,
    kNames = 2,
    kModels = 4,
    kSounds = 8,
    kHeights = 16,
    kSecondGrid = 32,
    kCells = 64,
    kZones = 128,
    kAll = 255,
};

// The file's bytes, or an empty vector when a text is longer than the format allows.
std::vector<uint8_t> Build(const SMapKR5& map, unsigned records = kAll);
// Builds and writes the file; false when the map cannot be written or the file fails.
bool Save(const SMapKR5& map, const char* path);

}  // namespace smapwriter
