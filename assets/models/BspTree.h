#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "assets/math/Geometry.h"

// The BSP trees over model groups that shots are tested against: interior nodes split by the
// plane of one triangle, leaves holding convex sets of triangles, each with a bounding box.
// Nodes and leaves live in per-group heaps and name each other by reference: r >= 0 is node r,
// r < 0 is leaf -r, kBspNone is nothing. Leaf 0 is a placeholder, so real leaves count from 1.

constexpr int32_t kBspNone = 0x7FFFFFFF;

struct bsppoly_t;

// What nodes and leaves share: kind (0 node, -1 or -2 leaf), a reserved word, the position in
// the heap, and the box.
class mbspitem_t : public sclass_t {
public:
    bool IsLeaf() const { return kind != 0; }

    int32_t kind = 0;
    uint32_t reserved = 0;  // stored as 0 and ignored when read
    uint32_t index = 0x7FFFFFFF;
    bboxf_t box;
    // The polygons this item took while being built; empty otherwise.
    std::vector<bsppoly_t*>* pPolys = nullptr;
};

// Interior node, streamed as 66 bytes.
class mnode_t : public mbspitem_t {
public:
    mnode_t() { kind = 0; }
    void Serialize(sstream_t* stream) override;

    uint32_t splitTriangle = 0;
    plane_t plane;
    int32_t front = kBspNone;
    int32_t back = kBspNone;
    mbspitem_t* pFront = nullptr;
    mbspitem_t* pBack = nullptr;
};

// Leaf, streamed as 40 + 4n bytes.
class mleaf_t : public mbspitem_t {
public:
    mleaf_t() { kind = -1; }
    void Serialize(sstream_t* stream) override;

    std::vector<uint32_t> triangles;
};

// Owner of one group's nodes.
class mnode_heap_t : public sclass_t {
public:
    // The count, then the nodes. SSMObject::LoadBSP checks what was read before keeping it.
    void Serialize(sstream_t* stream) override;
    void Clear();
    mnode_t* Add();

    std::vector<std::unique_ptr<mnode_t>> nodes;
    uint32_t count = 0;
};

// Owner of one group's leaves; position 0 always holds the null placeholder.
class mleaf_heap_t : public sclass_t {
public:
    mleaf_heap_t() { Clear(); }
    // The count without the placeholder, then the leaves from position 1.
    void Serialize(sstream_t* stream) override;
    void Clear();
    mleaf_t* Add();

    std::vector<std::unique_ptr<mleaf_t>> leaves;
    uint32_t count = 1;
};

// Walks down from a node, front when the point lies on or in front of the split plane, and
// answers the leaf reached (null when a branch ends without one).
mleaf_t* BSPLocatePoint(const float* point, mbspitem_t* start);
