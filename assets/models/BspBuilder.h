#pragma once

#include <cstdint>
#include <vector>

#include "assets/models/BspTree.h"

class SSMObject;

// One triangle as the builder sees it: its plane, its corners and its index in the model.
struct bsppoly_t : public plane_t {
    float corners[3][3];
    uint32_t triangle = 0;
};

using bsppolylist_t = std::vector<bsppoly_t*>;

// Builds the BSP tree of one group. One build runs at a time:
//   BSPCollectGroupPolygons(polys, model, group);
//   bsppolylist_t& work = BSPBuildBegin(nodes, leaves, polys);
//   BSPBuildNode(&root, work, nullptr, 0);
//   BSPBuildEnd();
// Every list the builder keeps points into the caller's polygons, which must outlive the build.

// One polygon per triangle of the group's list, in order, with corners from the model's
// per-vertex block (triangles whose corners lie outside the block are left out).
void BSPCollectGroupPolygons(std::vector<bsppoly_t>& polys, const SSMObject& model, int group);
// Empties both heaps (the leaf heap keeps its placeholder) and answers the working list, filled
// with pointers to the polygons in order.
bsppolylist_t& BSPBuildBegin(mnode_heap_t* nodes, mleaf_heap_t* leaves, std::vector<bsppoly_t>& polys);
// Builds the subtree of the list below parent (slot 0 front, 1 back); without a parent the new
// node or leaf is stored in *root. Answers 1. The depth of the tree costs no call stack.
int BSPBuildNode(mbspitem_t** root, bsppolylist_t& list, mnode_t* parent, int slot);
void BSPBuildEnd();

// The split of a list: the first polygon whose plane straddles the fewest others becomes the
// chosen one. Answers -1 when every other polygon lies in front of every candidate (also for
// one polygon or none), -2 when every one lies behind, else 0.
int BSPChooseSplit(const bsppolylist_t& list);
// The polygon the last BSPChooseSplit chose.
bsppoly_t* BSPChosenPolygon();
