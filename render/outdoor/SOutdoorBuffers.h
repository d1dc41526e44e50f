#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The frame buffers of an outdoor-world session: the visible-cell lists, the sprite, vertex
// and draw-entry buffers and the frame renderer's work buffers. The session set-up sizes them
// for the view radius; a view-range change sizes them again. Each buffer keeps its size in
// bytes and a use count, which every new allocation resets. The renderer owns one.
class SOutdoorBuffers {
public:
    enum Buffer {
        kGroundCells,     // 16-bit cell indexes
        kWaterCells,
        kObjectCells,
        kWorkList1,
        kWorkList2,
        kSpriteQuads,     // 40-byte tree-sprite records
        kBuffer2,
        kTriangleVertices,  // 44-byte vertices
        kBuffer4,
        kBuffer5,
        kBuffer6,
        kDepthEntries,    // 16-byte entries
        kTextureEntries,  // 8-byte entries
        kSharedVertices,  // one allocation the frame renderer references from seven slots
        kExtra,
        kScratch,
        kBufferCount
    };

    // The sizes of a new session.
    void SizeForSession();
    // The sizes for a view radius in cells: lists by the area the radius covers, the other
    // buffers by radius class; `restore` takes the session sizes for the other buffers.
    void SizeForRadius(int radius, bool restore);
    // Frees the buffer, then allocates `bytes` zeroed bytes and sets its count to 0.
    void Allocate(Buffer buffer, size_t bytes);
    // Enlarges the buffer to `bytes`, keeping its contents and count.
    void Grow(Buffer buffer, size_t bytes);
    void FreeAll();

    uint8_t* Data(Buffer buffer) const { return m_Slots[buffer].data.get(); }
    size_t Bytes(Buffer buffer) const { return m_Slots[buffer].bytes; }
    int32_t& Count(Buffer buffer) { return m_Slots[buffer].count; }
    // How many records of `recordBytes` the buffer holds.
    size_t Capacity(Buffer buffer, size_t recordBytes) const { return m_Slots[buffer].bytes / recordBytes; }

    // Cells the visible-cell lists hold for a view radius (the list area of a view-range change).
    static int ListCellsForRadius(int radius);

private:
    struct Slot {
        std::unique_ptr<uint8_t[]> data;
        size_t bytes = 0;
        int32_t count = 0;
    };
    Slot m_Slots[kBufferCount];
};
