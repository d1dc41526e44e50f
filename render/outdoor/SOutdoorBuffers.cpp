#include "render/outdoor/SOutdoorBuffers.h"

#include <cstring>

namespace {

// Sprite quads, buffer 2, triangle vertices, buffers 4 to 6, depth entries and texture
// entries, by view radius class (below 100 cells, below 250, beyond).
const size_t kClassSizes[3][8] = {
    {655360, 131072, 1441792, 1572864, 393216, 131072, 524288, 262144},
    {655360, 524288, 5767168, 3145728, 1572864, 524288, 2097152, 1048576},
    {655360, 2097152, 11534336, 6291456, 6291456, 2097152, 4194304, 2097152},
};

const SOutdoorBuffers::Buffer kClassBuffers[8] = {
    SOutdoorBuffers::kSpriteQuads, SOutdoorBuffers::kBuffer2,      SOutdoorBuffers::kTriangleVertices,
    SOutdoorBuffers::kBuffer4,     SOutdoorBuffers::kBuffer5,      SOutdoorBuffers::kBuffer6,
    SOutdoorBuffers::kDepthEntries, SOutdoorBuffers::kTextureEntries,
};

}  // namespace

void SOutdoorBuffers::Allocate(Buffer buffer, size_t bytes) {
    Slot& slot = m_Slots[buffer];
    slot.data.reset();
    slot.data.reset(new uint8_t[bytes]());
    slot.bytes = bytes;
    slot.count = 0;
}

void SOutdoorBuffers::Grow(Buffer buffer, size_t bytes) {
    Slot& slot = m_Slots[buffer];
    if (bytes <= slot.bytes) {
        return;
    }
    std::unique_ptr<uint8_t[]> data(new uint8_t[bytes]());
    if (slot.bytes > 0) {
        std::memcpy(data.get(), slot.data.get(), slot.bytes);
    }
    slot.data = std::move(data);
    slot.bytes = bytes;
}

void SOutdoorBuffers::FreeAll() {
    for (Slot& slot : m_Slots) {
        slot.data.reset();
        slot.bytes = 0;
        slot.count = 0;
    }
}

int SOutdoorBuffers::ListCellsForRadius(int radius) {
    const int half = radius / 2 + 4;
    return static_cast<int>(static_cast<double>(half * half) * 3.141592 * 0.26315789803903855);
}

void SOutdoorBuffers::SizeForSession() {
    for (Buffer list : {kGroundCells, kWaterCells, kObjectCells}) {
        Allocate(list, 2048);
    }
    Allocate(kWorkList1, 16384);
    Allocate(kWorkList2, 16384);
    for (int i = 0; i < 8; ++i) {
        Allocate(kClassBuffers[i], kClassSizes[0][i]);
    }
    Allocate(kSharedVertices, 1441792);
    Allocate(kExtra, 131072);
    Allocate(kScratch, 131072);
}

void SOutdoorBuffers::SizeForRadius(int radius, bool restore) {
    const size_t cells = static_cast<size_t>(ListCellsForRadius(radius));
    for (Buffer list : {kGroundCells, kWaterCells, kObjectCells}) {
        Allocate(list, 2 * cells);
    }
    Allocate(kWorkList1, 16 * cells);
    Allocate(kWorkList2, 16 * cells);
    const int sizeClass = restore || radius < 100 ? 0 : radius < 250 ? 1 : 2;
    for (int i = 0; i < 8; ++i) {
        Allocate(kClassBuffers[i], kClassSizes[sizeClass][i]);
    }
    Allocate(kSharedVertices, 1441792);
    Allocate(kExtra, 131072);
}
