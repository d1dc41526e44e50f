#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "sys/video/video.h"

// Where the model-view session record keeps the values the model view reads.
namespace model_view_fields {
constexpr int kDistance = 0;             // far distance = (value - 2) x 128
constexpr int kTextureQuality = 1;       // 0..2; 2 allows 32-bit texture formats
constexpr int kBackgroundClear = 3;      // 1: each frame starts from the background colour
constexpr int kBackgroundColour = 4;     // 0xAARRGGBB
constexpr int kSecondSwitch = 5;         // 0..1
constexpr int kMultiTexture = 7;
constexpr int kColourKeying = 8;         // 1: transparent textures use colour keys
constexpr int kSoftSprites = 11;         // 1: transparent textures use the alpha format
constexpr int kFrameInterpolation = 14;  // handed to the model hierarchy pass
}  // namespace model_view_fields

// The texture formats a model view hands its texture records, and the colour-key switches of
// the three texture classes.
struct SModelViewFormats {
    sys::video::DDPIXELFORMAT opaque;
    sys::video::DDPIXELFORMAT alpha;
    sys::video::DDPIXELFORMAT screen;
    sys::video::DDPIXELFORMAT transparent;
    uint32_t dwClassKeys[3] = {};
};

// The six texture formats the model view asks the device about, in probing order.
enum SModelViewCandidate { kFormat8888, kFormat888, kFormat565, kFormat1555, kFormat555, kFormat4444, kFormatCount };
sys::video::DDPIXELFORMAT ModelViewCandidate(SModelViewCandidate which);

// Chooses the opaque, alpha and transparent formats from what `supports` answers for each
// candidate. A group none of whose formats is offered keeps the format it had.
void ChooseModelViewFormats(const std::function<bool(const sys::video::DDPIXELFORMAT&)>& supports, int quality,
                            int colourKeying, int softSprites, SModelViewFormats& formats);

// The frame buffers of a model-view session, alive from its set-up to its end.
struct SModelViewBuffers {
    static constexpr int kSprites = 16384;
    static constexpr int kInstances = 16384;
    static constexpr int kVertices = 32768;
    static constexpr int kQueueEntries = 32768;
    static constexpr int kIndices = 32768;
    static constexpr int kMainVertexSize = 44;
    static constexpr int kWorkPoolSizes[3] = {1572864, 393216, 131072};

    void Allocate();
    void Free();

    std::vector<uint8_t> vertexPool;       // kVertices main vertices
    std::vector<uint8_t> workPools[3];
    std::vector<uint8_t> vertexStore;      // main, line and sky vertices share it
    std::vector<uint16_t> indexStore;
    std::vector<void*> opaqueQueue;
    std::vector<void*> sortedQueue;
};
