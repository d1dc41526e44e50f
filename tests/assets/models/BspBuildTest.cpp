// Tree shapes the split rule gives for small groups, the pool beyond 8192 lists, and point
// location.
#include <gtest/gtest.h>

#include <vector>

#include "assets/models/BspBuilder.h"
#include "tests/assets/models/ModelSamples.h"

namespace {

using tarvex::test::TriangleSpec;

// Triangles in the plane z = height, facing +z (up) or -z.
TriangleSpec Flat(float height, bool up) {
    if (up)
        return {{{-1, -1, height}, {1, -1, height}, {0, 1, height}}, 0};
    return {{{0, 1, height}, {1, -1, height}, {-1, -1, height}}, 0};
}

const mleaf_t& Leaf(const SSMGroup& group, int32_t reference) {
    return *group.leaves.leaves[static_cast<size_t>(-reference)];
}

TEST(BspBuildTest, SplitRuleShapes) {
    struct Case {
        const char* what;
        std::vector<TriangleSpec> triangles;
        int answer;          // of BSPChooseSplit over the whole group
        uint32_t nodes;
        uint32_t leaves;     // besides the placeholder
        int32_t rootKind;
    };
    const Case cases[] = {
        {"one triangle", {Flat(0, true)}, -1, 0, 1, -1},
        {"facing each other", {Flat(0, true), Flat(1, false)}, -1, 0, 1, -1},
        {"back to back", {Flat(0, false), Flat(1, true)}, -2, 0, 1, -2},
        {"stacked the same way", {Flat(0, true), Flat(1, true)}, 0, 1, 2, 0},
    };
    for (const Case& c : cases) {
        auto model = tarvex::test::MakeTriangleModel(c.triangles);
        std::vector<bsppoly_t> polys;
        BSPCollectGroupPolygons(polys, *model, 0);
        bsppolylist_t list;
        for (bsppoly_t& poly : polys)
            list.push_back(&poly);
        EXPECT_EQ(BSPChooseSplit(list), c.answer) << c.what;

        ASSERT_EQ(tarvex::test::BuildTrees(*model), 1) << c.what;
        const SSMGroup& group = *model->m_groups[0];
        EXPECT_EQ(group.nodes.count, c.nodes) << c.what;
        EXPECT_EQ(group.leaves.count, c.leaves + 1) << c.what;
        ASSERT_NE(group.pRoot, nullptr) << c.what;
        EXPECT_EQ(group.pRoot->kind, c.rootKind) << c.what;
    }

    // Stacked: split by the first, the second in front, an empty leaf behind.
    auto stacked = tarvex::test::MakeTriangleModel({Flat(0, true), Flat(1, true)});
    tarvex::test::BuildTrees(*stacked);
    const SSMGroup& group = *stacked->m_groups[0];
    const auto& node = *group.nodes.nodes[0];
    EXPECT_EQ(node.index, 0u);
    EXPECT_EQ(node.splitTriangle, 0u);
    EXPECT_EQ(node.plane.type, 2);
    EXPECT_EQ(node.plane.dist, 0.0f);
    EXPECT_EQ(node.front, -1);
    EXPECT_EQ(node.back, -2);
    EXPECT_EQ(Leaf(group, node.front).triangles, (std::vector<uint32_t>{1}));
    EXPECT_EQ(Leaf(group, node.front).index, 1u);
    EXPECT_TRUE(Leaf(group, node.back).triangles.empty());
    EXPECT_EQ(Leaf(group, node.back).kind, -1);
    const float nodeBox[6] = {-1, -1, 0, 1, 1, 1};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(node.box.v[i], nodeBox[i]);
    EXPECT_EQ(Leaf(group, node.back).box.v[0], 3.4028235e38f);  // an empty set keeps the seeds
}

TEST(BspBuildTest, PlanarAndStraddlingPolygonsFindTheirSides) {
    // A polygon lying in the split plane goes to the front; the one below to the back.
    auto planar = tarvex::test::MakeTriangleModel({Flat(0, true), Flat(0, true), Flat(-1, true)});
    tarvex::test::BuildTrees(*planar);
    const SSMGroup& a = *planar->m_groups[0];
    ASSERT_EQ(a.nodes.count, 1u);
    EXPECT_EQ(Leaf(a, a.nodes.nodes[0]->front).triangles, (std::vector<uint32_t>{1}));
    EXPECT_EQ(Leaf(a, a.nodes.nodes[0]->back).triangles, (std::vector<uint32_t>{2}));

    // Three triangles that all cut each other score 2 each, so the first splits. The second
    // goes back (front is not shorter than back), the third front (0 < 1).
    const auto soup = tarvex::test::SampleSoup();
    auto crossing = tarvex::test::MakeTriangleModel({soup[0], soup[1], soup[2]});
    tarvex::test::BuildTrees(*crossing);
    const SSMGroup& b = *crossing->m_groups[0];
    ASSERT_EQ(b.nodes.count, 1u);
    const mnode_t& root = *b.nodes.nodes[0];
    EXPECT_EQ(root.splitTriangle, 0u);
    EXPECT_EQ(Leaf(b, root.front).triangles, (std::vector<uint32_t>{2}));
    EXPECT_EQ(Leaf(b, root.back).triangles, (std::vector<uint32_t>{1}));
    EXPECT_EQ(Leaf(b, root.front).index, 1u);
    const float box[6] = {-1, -1, -1, 1, 1, 1};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(root.box.v[i], box[i]);
}

TEST(BspBuildTest, LargeGroupsOutgrowThePoolAndPointsFindLeaves) {
    // 5000 stacked triangles make a chain of 4999 nodes and 5000 leaves: more lists than 8192.
    std::vector<TriangleSpec> stack;
    for (int i = 0; i < 5000; ++i)
        stack.push_back(Flat(static_cast<float>(i), true));
    auto model = tarvex::test::MakeTriangleModel(stack);
    ASSERT_EQ(tarvex::test::BuildTrees(*model), 1);
    const SSMGroup& group = *model->m_groups[0];
    EXPECT_EQ(group.nodes.count, 4999u);
    EXPECT_EQ(group.leaves.count, 5001u);
    const float high[3] = {0, 0, 1e6f};
    const float low[3] = {0, 0, -5};
    const float middle[3] = {0, 0, 2500.5f};
    EXPECT_EQ(BSPLocatePoint(high, group.pRoot)->triangles, (std::vector<uint32_t>{4999}));
    EXPECT_TRUE(BSPLocatePoint(low, group.pRoot)->triangles.empty());
    // Between planes 2500 and 2501: behind the node split by triangle 2501.
    EXPECT_EQ(BSPLocatePoint(middle, group.pRoot), group.nodes.nodes[2501]->pBack);
    EXPECT_EQ(group.nodes.nodes[0]->box.v[5], 4999.0f);

    // An empty group is one empty leaf.
    auto empty = tarvex::test::MakeTriangleModel({Flat(0, true)}, 2);
    ASSERT_EQ(tarvex::test::BuildTrees(*empty), 1);
    EXPECT_EQ(empty->m_groups[1]->leaves.count, 2u);
    EXPECT_EQ(empty->m_groups[1]->pRoot->kind, -1);
}

// The split rule as written, pair by pair: the reference for the builder's faster choice.
int ReferenceChoice(const bsppolylist_t& list, bsppoly_t** chosen) {
    int best = 999999;
    bool allFront = true;
    bool allBack = true;
    for (bsppoly_t* candidate : list) {
        int straddles = 0;
        for (bsppoly_t* poly : list) {
            if (poly == candidate)
                continue;
            bool front = false;
            bool back = false;
            for (const auto& x : poly->corners) {
                const float d = candidate->normal[0] * x[0] + candidate->normal[1] * x[1] +
                                candidate->normal[2] * x[2] - candidate->dist;
                front |= d >= 0.001f;
                back |= d <= -0.001f;
            }
            allFront &= !back;
            allBack &= back && !front;
            straddles += front && back;
        }
        if (straddles < best) {
            best = straddles;
            *chosen = candidate;
        }
    }
    return allFront ? -1 : allBack ? -2 : 0;
}

TEST(BspBuildTest, FastChoiceMatchesTheRule) {
    // Corners on a small grid give many shared planes, corners on planes and near ties.
    uint32_t seed = 99;
    auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<float>((seed >> 16) % static_cast<uint32_t>(range));
    };
    for (int round = 0; round < 300; ++round) {
        const int size = 1 + round % 37;
        std::vector<TriangleSpec> triangles;
        for (int t = 0; t < size; ++t) {
            TriangleSpec spec{};
            for (auto& corner : spec.corners) {
                for (float& c : corner)
                    c = next(4) + (round % 3 == 0 ? next(1000) * 0.0000005f : 0.0f);
            }
            triangles.push_back(spec);
        }
        auto model = tarvex::test::MakeTriangleModel(triangles);
        std::vector<bsppoly_t> polys;
        BSPCollectGroupPolygons(polys, *model, 0);
        bsppolylist_t list;
        for (bsppoly_t& poly : polys)
            list.push_back(&poly);
        bsppoly_t* expectedChoice = nullptr;
        const int expected = ReferenceChoice(list, &expectedChoice);
        ASSERT_EQ(BSPChooseSplit(list), expected) << "round " << round;
        if (expected == 0) {
            ASSERT_EQ(BSPChosenPolygon(), expectedChoice) << "round " << round;
        }
    }
}

}  // namespace
