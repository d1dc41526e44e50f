#pragma once

#include <cstdint>

#include "render/map/SHuntWorld.h"

// A ready-made mesh drawn as one opaque entry: triangles over its own 44-byte vertices. A ground
// decal keeps one as the point data of its scene node; its owner frees the arrays.
struct SPolygonRecord {
    int16_t m_nKind = 4;
    int16_t m_nTriangleCount = 0;
    STileVertex* m_pVertices = nullptr;
    uint16_t* m_pIndices = nullptr;  // three per triangle
};
