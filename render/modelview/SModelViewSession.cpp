#include "render/modelview/SModelViewSession.h"

using sys::video::DDPF_ALPHAPIXELS;
using sys::video::DDPF_RGB;
using sys::video::DDPIXELFORMAT;

DDPIXELFORMAT ModelViewCandidate(SModelViewCandidate which) {
    struct Row {
        uint32_t bits, red, green, blue, alpha;
    };
    static constexpr Row kRows[kFormatCount] = {
        {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {32, 0xFF0000, 0xFF00, 0xFF, 0}, {16, 0xF800, 0x7E0, 0x1F, 0},
        {16, 0x7C00, 0x3E0, 0x1F, 0x8000},       {16, 0x7C00, 0x3E0, 0x1F, 0},     {16, 0xF00, 0xF0, 0xF, 0xF000},
    };
    const Row& row = kRows[which];
    DDPIXELFORMAT format;
    format.dwFlags = DDPF_RGB | (row.alpha != 0 ? DDPF_ALPHAPIXELS : 0);
    format.dwRGBBitCount = row.bits;
    format.dwRBitMask = row.red;
    format.dwGBitMask = row.green;
    format.dwBBitMask = row.blue;
    format.dwRGBAlphaBitMask = row.alpha;
    return format;
}

void ChooseModelViewFormats(const std::function<bool(const DDPIXELFORMAT&)>& supports, int quality, int colourKeying,
                            int softSprites, SModelViewFormats& formats) {
    bool has[kFormatCount];
    for (int i = 0; i < kFormatCount; ++i)
        has[i] = supports(ModelViewCandidate(static_cast<SModelViewCandidate>(i)));
    // 32-bit formats only at the highest quality.
    const bool wide = quality == 2;
    if (wide && has[kFormat888])
        formats.opaque = ModelViewCandidate(kFormat888);
    else if (has[kFormat565])
        formats.opaque = ModelViewCandidate(kFormat565);
    else if (has[kFormat555])
        formats.opaque = ModelViewCandidate(kFormat555);
    if (wide && has[kFormat8888])
        formats.alpha = ModelViewCandidate(kFormat8888);
    else if (has[kFormat1555])
        formats.alpha = ModelViewCandidate(kFormat1555);
    else if (has[kFormat4444])
        formats.alpha = ModelViewCandidate(kFormat4444);

    if (colourKeying != 1) {
        formats.transparent = softSprites != 0 ? formats.alpha : formats.opaque;
    } else {
        formats.transparent = formats.opaque;
        formats.alpha = formats.opaque;
    }
    formats.dwClassKeys[0] = colourKeying == 1 ? 1 : 0;
    formats.dwClassKeys[1] = colourKeying != 1 && softSprites != 0 ? 0 : 1;
    formats.dwClassKeys[2] = 0;
}

void SModelViewBuffers::Allocate() {
    vertexPool.assign(static_cast<size_t>(kVertices) * kMainVertexSize, 0);
    for (int i = 0; i < 3; ++i)
        workPools[i].assign(static_cast<size_t>(kWorkPoolSizes[i]), 0);
    vertexStore.assign(static_cast<size_t>(kVertices) * kMainVertexSize, 0);
    indexStore.assign(kIndices, 0);
    opaqueQueue.assign(kQueueEntries, nullptr);
    sortedQueue.assign(kQueueEntries, nullptr);
}

void SModelViewBuffers::Free() {
    vertexPool = {};
    for (auto& pool : workPools)
        pool = {};
    vertexStore = {};
    indexStore = {};
    opaqueQueue = {};
    sortedQueue = {};
}
