#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "assets/math/CQuat.h"
#include "assets/math/Geometry.h"
#include "assets/math/Matrix16f.h"
#include "assets/models/BspTree.h"
#include "sys/classlib/CString.h"

// The records one "SSMO" model is made of. All of them belong to their SSMObject and are freed
// by its Clear.

// One triangle, kept and stored as its raw 36 bytes.
struct SSMTriangle {
    int16_t vertex[3];
    uint8_t extra[2];  // carried unchanged
    struct {
        float u, v;
    } uv[3];
    int16_t group;  // a value that names no group puts the triangle in none
    uint8_t extra2[2];
};
static_assert(sizeof(SSMTriangle) == 36);

// A texture resource the model's skins name. The slot is the renderer's, never stored.
struct SSMResource {
    CString name;
    uint32_t value = 0;
    int16_t textureSlot = -1;
};

// Where one marker group points in one frame; all zero with length 1 for other groups.
struct SSMGroupFrame {
    float origin[3] = {0, 0, 0};
    float end[3] = {0, 0, 0};
    float pitch = 0, yaw = 0, roll = 0;
    float length = 1.0f;
    CQuat orientation;
    matrix16f_t matrix;
};

// One vertex frame: positions (three floats per vertex), normals after welding, and the
// bounds over the drawn groups (box A) and over those also in the second box (box B).
struct SSMFrame {
    uint32_t value1 = 0;
    uint32_t value2 = 0;
    CString name;
    std::vector<float> positions;
    std::vector<float> normals;
    std::vector<SSMGroupFrame> groupFrames;  // one per group, made after loading
    std::vector<uint8_t> groupBytes;         // one per group, carried unchanged
    bboxf_t boxA;
    bboxf_t boxB;
};

struct SSMAnim {
    CString name;
    uint32_t flags = 0;  // initial flags of every instance's state; bit 0 playing
    uint32_t value = 0;
    int16_t frameCount = 0;
    float totalTime = 0;
    std::vector<int16_t> frames;
    std::vector<float> durations;
};

struct SSMSkin {
    CString name;
    int16_t resource = 0;
};

struct SSMTag {
    CString name;
    CString value;
    uint8_t byte = 0;
};

// One corner of a drawn triangle: a vertex with the texture coordinates it has there.
struct SSMRenderVertex {
    int32_t vertex;
    float u, v;
};

// Group flag bits.
constexpr uint32_t kGroupNotInBoxB = 0x1;
constexpr uint32_t kGroupInBsp = 0x2;
constexpr uint32_t kGroupDirectTexture = 0x4;  // instance states only
constexpr uint32_t kGroupMarker = 0x8;         // out of both boxes; a marker with two triangles
constexpr uint32_t kGroupSingleMarker = 0x80;
constexpr uint32_t kGroupHasBsp = 0x400;
constexpr uint32_t kGroupInstanceMark = 0x4000;  // instance states only

struct SSMGroup {
    CString name;
    uint32_t flags = 0;
    uint32_t value = 0;
    int16_t vertexSetCount = 0;
    int16_t triangleCount = 0;
    int16_t renderVertexCount = 0;
    std::vector<int16_t> vertexSet;    // ascending vertex indices its triangles use
    std::vector<int16_t> triangles;    // indices into the model's triangles
    std::vector<SSMRenderVertex> renderVertices;
    std::vector<int16_t> corners;      // three render-vertex indices per triangle
    std::vector<std::unique_ptr<SSMSkin>> skins;
    std::vector<std::unique_ptr<SSMTag>> tags;
    mnode_heap_t nodes;
    mleaf_heap_t leaves;
    mbspitem_t* pRoot = nullptr;  // a node or leaf of the heaps above, or none
};
