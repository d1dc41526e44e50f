#include "assets/models/BspBuilder.h"

#include <algorithm>
#include <deque>

#include "assets/models/SSMObject.h"

namespace {

constexpr int kNoBest = 999999;

// Polygon lists are taken from a pool, one per node and leaf in creation order. The pool
// grows as a build needs, so a group of any size gets its whole tree.
// The corners of a list's polygons in blocks of four, coordinate by coordinate, so one plane
// is tested against four polygons at once. Each lane computes exactly what a single test does.
constexpr int kLanes = 4;
typedef float LaneFloats __attribute__((vector_size(kLanes * sizeof(float))));
typedef int32_t LaneInts __attribute__((vector_size(kLanes * sizeof(int32_t))));
struct CornerBlock {
    LaneFloats x[3], y[3], z[3];
};

struct BuildState {
    std::vector<CornerBlock> blocks;
    std::deque<bsppolylist_t> pool;
    size_t used = 0;
    bsppolylist_t working;
    mnode_heap_t* nodes = nullptr;
    mleaf_heap_t* leaves = nullptr;
    bsppoly_t* chosen = nullptr;
    uint32_t nodeCount = 0;
    uint32_t leafCount = 0;
};

BuildState& State() {
    static BuildState state;
    return state;
}

bsppolylist_t* TakePoolList() {
    BuildState& state = State();
    if (state.used == state.pool.size())
        state.pool.emplace_back();
    return &state.pool[state.used++];
}

// Which sides of the plane a polygon's corners lie on: bit 0 some corner in front, bit 1 some
// corner behind.
enum : int { kSomeFront = 1, kSomeBack = 2 };

int SidesByType(const plane_t& plane, const bsppoly_t& poly) {
    int sides = 0;
    for (const auto& corner : poly.corners) {
        const int side = ClassifyPoint(plane, corner);
        if (side == kPointFront)
            sides |= kSomeFront;
        else if (side == kPointBack)
            sides |= kSomeBack;
    }
    return sides;
}

void BoxOfPolygons(const bsppolylist_t& polys, bboxf_t& box) {
    box.Reset();
    for (const bsppoly_t* poly : polys) {
        for (const auto& corner : poly->corners)
            box.AddPoint(corner);
    }
}

void Link(mnode_t* parent, int slot, int32_t reference, mbspitem_t* child) {
    if (slot == 0) {
        parent->front = reference;
        parent->pFront = child;
    } else {
        parent->back = reference;
        parent->pBack = child;
    }
}

}  // namespace

void BSPCollectGroupPolygons(std::vector<bsppoly_t>& polys, const SSMObject& model, int group) {
    polys.clear();
    if (group < 0 || static_cast<size_t>(group) >= model.m_groups.size())
        return;
    const size_t blockVertices = std::min<size_t>(model.m_nBSPVertices, model.m_bspVertices.size() / 6);
    for (int16_t t : model.m_groups[static_cast<size_t>(group)]->triangles) {
        const SSMTriangle& triangle = model.m_triangles[static_cast<size_t>(t)];
        bsppoly_t poly;
        bool inside = true;
        for (int k = 0; k < 3; ++k) {
            const auto v = static_cast<size_t>(triangle.vertex[k]);
            if (triangle.vertex[k] < 0 || v >= blockVertices) {
                inside = false;
                break;
            }
            for (int j = 0; j < 3; ++j)
                poly.corners[k][j] = model.m_bspVertices[6 * v + static_cast<size_t>(j)];
        }
        if (!inside)
            continue;
        PlaneFromTriangle(poly, poly.corners[0], poly.corners[1], poly.corners[2]);
        poly.triangle = static_cast<uint32_t>(t);
        polys.push_back(poly);
    }
}

bsppolylist_t& BSPBuildBegin(mnode_heap_t* nodes, mleaf_heap_t* leaves, std::vector<bsppoly_t>& polys) {
    BuildState& state = State();
    nodes->Clear();
    leaves->Clear();
    state.nodes = nodes;
    state.leaves = leaves;
    state.working.clear();
    for (bsppoly_t& poly : polys)
        state.working.push_back(&poly);
    for (size_t i = 0; i < state.used; ++i)
        state.pool[i].clear();
    state.used = 0;
    state.chosen = nullptr;
    state.nodeCount = 0;
    state.leafCount = 0;
    return state.working;
}

namespace {

void GatherCorners(const bsppolylist_t& list, std::vector<CornerBlock>& blocks) {
    blocks.assign((list.size() + kLanes - 1) / kLanes, CornerBlock{});
    for (size_t i = 0; i < list.size(); ++i) {
        CornerBlock& block = blocks[i / kLanes];
        const size_t lane = i % kLanes;
        for (int k = 0; k < 3; ++k) {
            block.x[k][lane] = list[i]->corners[k][0];
            block.y[k][lane] = list[i]->corners[k][1];
            block.z[k][lane] = list[i]->corners[k][2];
        }
    }
}

// Which sides of the plane (by the full dot product) the corners of a block's four polygons
// lie on.
LaneInts BlockSides(const CornerBlock& block, const plane_t& plane) {
    LaneInts sides = {};
    for (int k = 0; k < 3; ++k) {
        const LaneFloats d =
            plane.normal[0] * block.x[k] + plane.normal[1] * block.y[k] + plane.normal[2] * block.z[k] - plane.dist;
        sides |= (d >= kPlaneEpsilon) & static_cast<int32_t>(kSomeFront);
        sides |= (d <= -kPlaneEpsilon) & static_cast<int32_t>(kSomeBack);
    }
    return sides;
}

}  // namespace

// The first candidate whose plane straddles the fewest other polygons; the answer over all
// pairs tells whether the list is one convex set (-1 all in front, -2 all behind).
int BSPChooseSplit(const bsppolylist_t& list) {
    if (list.empty())
        return -1;
    BuildState& state = State();
    GatherCorners(list, state.blocks);
    const size_t count = list.size();
    int best = kNoBest;
    bool allFront = true;
    bool allBack = true;
    for (size_t c = 0; c < count; ++c) {
        const plane_t& plane = *list[c];
        int straddles = 0;
        bool stopped = false;
        for (size_t b = 0; b < state.blocks.size() && !stopped; ++b) {
            const LaneInts sides = BlockSides(state.blocks[b], plane);
            const size_t lanes = std::min<size_t>(kLanes, count - b * kLanes);
            for (size_t lane = 0; lane < lanes; ++lane) {
                if (b * kLanes + lane == c)
                    continue;
                if (sides[lane] & kSomeBack)
                    allFront = false;
                if (sides[lane] != kSomeBack)
                    allBack = false;
                if (sides[lane] == (kSomeFront | kSomeBack))
                    ++straddles;
                // Once the answer is settled, a candidate that cannot beat the best stops early.
                if (straddles >= best && !allFront && !allBack) {
                    stopped = true;
                    break;
                }
            }
        }
        if (straddles < best) {
            best = straddles;
            state.chosen = list[c];
        }
        if (best == 0 && !allFront && !allBack)
            break;
    }
    if (allFront)
        return -1;
    if (allBack)
        return -2;
    return 0;
}

bsppoly_t* BSPChosenPolygon() {
    return State().chosen;
}

namespace {

// Makes the node or leaf of one list. A node is answered, with the polygons that go in front of
// its plane and behind it still to be built; a leaf answers null.
mnode_t* BuildItem(mbspitem_t** root, bsppolylist_t& list, mnode_t* parent, int slot, bsppolylist_t& front,
                   bsppolylist_t& back) {
    BuildState& state = State();
    const int answer = BSPChooseSplit(list);
    mnode_t* made = nullptr;
    if (answer == 0) {
        ++state.nodeCount;
        mnode_t* node = state.nodes->Add();
        node->index = state.nodes->count - 1;
        node->kind = 0;
        node->pPolys = TakePoolList();
        bsppoly_t* chosen = state.chosen;
        node->splitTriangle = chosen->triangle;
        node->plane = static_cast<const plane_t&>(*chosen);
        node->pPolys->push_back(chosen);
        list.erase(std::find(list.begin(), list.end(), chosen));

        for (bsppoly_t* poly : list) {
            const int sides = SidesByType(node->plane, *poly);
            if (sides == kSomeBack)
                back.push_back(poly);
            else if ((sides & kSomeBack) == 0)
                front.push_back(poly);
            else if (front.size() < back.size())
                front.push_back(poly);  // straddling polygons are never cut
            else
                back.push_back(poly);
        }
        if (parent != nullptr)
            Link(parent, slot, static_cast<int32_t>(node->index), node);
        else if (root != nullptr)
            *root = node;
        made = node;
    } else {
        mleaf_t* leaf = state.leaves->Add();
        leaf->index = state.leaves->count - 1;
        leaf->kind = answer;
        leaf->triangles.reserve(list.size());
        for (const bsppoly_t* poly : list)
            leaf->triangles.push_back(poly->triangle);
        leaf->pPolys = TakePoolList();
        leaf->pPolys->assign(list.begin(), list.end());
        ++state.leafCount;
        BoxOfPolygons(*leaf->pPolys, leaf->box);
        if (parent != nullptr)
            Link(parent, slot, -static_cast<int32_t>(leaf->index), leaf);
        else if (root != nullptr)
            *root = leaf;
        // A group that is one leaf names it by its negated index, as a root reference does.
        if (state.nodeCount == 0)
            leaf->index = static_cast<uint32_t>(-static_cast<int32_t>(leaf->index));
    }
    list.clear();
    return made;
}

}  // namespace

// The tree's depth can reach the polygon count, so the work waits on a list of its own rather
// than on the call stack. It is taken in the order a depth-first walk would take it (a node,
// its front subtree, its back subtree, then the node's box), which numbers nodes and leaves
// the same way.
int BSPBuildNode(mbspitem_t** root, bsppolylist_t& list, mnode_t* parent, int slot) {
    struct Pending {
        bsppolylist_t list;
        mnode_t* parent = nullptr;
        int slot = 0;
        mnode_t* boxOf = nullptr;  // set: both subtrees of this node are built
    };
    std::vector<Pending> pending;
    auto expand = [&pending](mnode_t* node, bsppolylist_t& front, bsppolylist_t& back) {
        pending.push_back({{}, nullptr, 0, node});
        pending.push_back({std::move(back), node, 1, nullptr});
        pending.push_back({std::move(front), node, 0, nullptr});
    };
    bsppolylist_t front;
    bsppolylist_t back;
    if (mnode_t* node = BuildItem(root, list, parent, slot, front, back))
        expand(node, front, back);
    while (!pending.empty()) {
        Pending work = std::move(pending.back());
        pending.pop_back();
        if (mnode_t* node = work.boxOf) {
            BoxOfPolygons(*node->pPolys, node->box);
            node->box.AddBox(node->pFront->box);
            node->box.AddBox(node->pBack->box);
            continue;
        }
        front.clear();
        back.clear();
        if (mnode_t* node = BuildItem(root, work.list, work.parent, work.slot, front, back))
            expand(node, front, back);
    }
    return 1;
}

void BSPBuildEnd() {
    BuildState& state = State();
    if (state.nodes != nullptr) {
        for (auto& node : state.nodes->nodes)
            node->pPolys = nullptr;
    }
    if (state.leaves != nullptr) {
        for (auto& leaf : state.leaves->leaves) {
            if (leaf)
                leaf->pPolys = nullptr;
        }
    }
    state.nodes = nullptr;
    state.leaves = nullptr;
    for (size_t i = 0; i < state.used; ++i)
        state.pool[i].clear();
    state.used = 0;
    state.working.clear();
    state.chosen = nullptr;
}
