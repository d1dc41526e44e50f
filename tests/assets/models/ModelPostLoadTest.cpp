// Preparing a loaded model: axes turned, vertices welded with normals, frame bounds, marker
// transforms and per-group vertex tables, checked against values worked by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "assets/models/SSMObject.h"

namespace {

constexpr float kPi = 3.14159265f;

struct Tri {
    int16_t v[3];
    int16_t group;
    float uv[3][2] = {{0, 0}, {0, 0}, {0, 0}};
};

// A model with the given frames (three floats per vertex each), triangles and group flags.
std::unique_ptr<SSMObject> Make(const std::vector<std::vector<float>>& frames, const std::vector<Tri>& tris,
                                const std::vector<uint32_t>& groupFlags) {
    auto model = std::make_unique<SSMObject>();
    for (const auto& positions : frames) {
        auto frame = std::make_unique<SSMFrame>();
        frame->positions = positions;
        frame->groupFrames.resize(groupFlags.size());
        model->m_frames.push_back(std::move(frame));
    }
    for (uint32_t flags : groupFlags) {
        auto group = std::make_unique<SSMGroup>();
        group->flags = flags;
        model->m_groups.push_back(std::move(group));
    }
    for (size_t t = 0; t < tris.size(); ++t) {
        SSMTriangle record{};
        for (int k = 0; k < 3; ++k) {
            record.vertex[k] = tris[t].v[k];
            record.uv[k].u = tris[t].uv[k][0];
            record.uv[k].v = tris[t].uv[k][1];
        }
        record.group = tris[t].group;
        model->m_triangles.push_back(record);
        model->m_groups[static_cast<size_t>(tris[t].group)]->triangles.push_back(static_cast<int16_t>(t));
    }
    model->m_nVertices = static_cast<int16_t>(frames[0].size() / 3);
    model->m_nTriangles = static_cast<int16_t>(tris.size());
    model->m_nFrames = static_cast<int16_t>(frames.size());
    model->m_nGroups = static_cast<int16_t>(groupFlags.size());
    return model;
}

void ExpectVector(const float* actual, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(actual[0], x, tolerance);
    EXPECT_NEAR(actual[1], y, tolerance);
    EXPECT_NEAR(actual[2], z, tolerance);
}

TEST(ModelPostLoadTest, RemapTurnsTheAxes) {
    auto model = Make({{1, 2, 3}}, {}, {});
    const uint8_t order[3] = {1, 2, 0};
    const float scales[3] = {-1.0f, 1.0f, 1.0f};
    model->RemapAxes(order, scales);
    ExpectVector(model->m_frames[0]->positions.data(), -2, 3, 1, 0);
}

TEST(ModelPostLoadTest, WeldingMergesVerticesEqualInEveryFrame) {
    // Vertex 3 equals vertex 0 in both frames; vertex 4 equals vertex 1 in frame 0 only.
    auto model = Make({{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0},
                       {0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 2}},
                      {{{0, 1, 2}, 0}, {{3, 4, 2}, 0}}, {0});
    model->WeldVertices();
    EXPECT_EQ(model->m_nVertices, 4);
    const int16_t expected[2][3] = {{0, 1, 2}, {0, 3, 2}};
    for (int t = 0; t < 2; ++t) {
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(model->m_triangles[static_cast<size_t>(t)].vertex[k], expected[t][k]);
    }
    const auto& frame1 = *model->m_frames[1];
    ASSERT_EQ(frame1.positions.size(), 12u);
    ExpectVector(&frame1.positions[9], 0, 0, 2, 0);
    // Frame 0: both faces point along +z. Frame 1: the second face turns to -x.
    const float r = 0.70710677f;
    const float normals0[4][3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    const float normals1[4][3] = {{-r, 0, r}, {0, 0, 1}, {-r, 0, r}, {-1, 0, 0}};
    for (int v = 0; v < 4; ++v) {
        ExpectVector(&model->m_frames[0]->normals[3 * static_cast<size_t>(v)], normals0[v][0], normals0[v][1],
                     normals0[v][2]);
        ExpectVector(&frame1.normals[3 * static_cast<size_t>(v)], normals1[v][0], normals1[v][1], normals1[v][2]);
    }

    // Twenty copies of one point weld into one; a degenerate triangle gives no normal. A -0
    // differs from 0 bit for bit and stays apart.
    std::vector<float> same(60, 1.5f);
    same.insert(same.end(), {-0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    auto flat = Make({same}, {{{0, 5, 19}, 0}, {{20, 21, 21}, 0}}, {0});
    flat->WeldVertices();
    EXPECT_EQ(flat->m_nVertices, 3);
    EXPECT_EQ(flat->m_triangles[0].vertex[2], 0);
    EXPECT_EQ(flat->m_triangles[1].vertex[0], 1);
    EXPECT_EQ(flat->m_triangles[1].vertex[1], 2);
    for (float n : flat->m_frames[0]->normals)
        EXPECT_EQ(n, 0.0f);
}

TEST(ModelPostLoadTest, BoundsSkipMarkerGroupsAndBoxBSkipsFlaggedOnes) {
    // Group 0 counts for both boxes, group 1 (0x1) for box A only, group 2 (0x8 with three
    // triangles) for neither and is no marker.
    auto model = Make({{0, 0, 0, 1, 1, 1, 5, 5, 5, -9, -9, -9, 20, 20, 20}},
                      {{{0, 1, 1}, 0}, {{2, 1, 0}, 1}, {{3, 4, 0}, 2}, {{3, 4, 1}, 2}, {{4, 3, 0}, 2}},
                      {0, kGroupNotInBoxB, kGroupMarker});
    model->PostLoad();
    const SSMFrame& frame = *model->m_frames[0];
    const float boxA[6] = {0, 0, 0, 5, 5, 5};
    const float boxB[6] = {0, 0, 0, 1, 1, 1};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(frame.boxA.v[i], boxA[i]) << i;
        EXPECT_EQ(frame.boxB.v[i], boxB[i]) << i;
    }
    EXPECT_EQ(frame.groupFrames[2].length, 1.0f);
    EXPECT_EQ(frame.groupFrames[2].origin[0], 0.0f);

    // A frame where nothing counts keeps the seeds.
    auto empty = Make({{1, 2, 3}}, {{{0, 0, 0}, 0}}, {kGroupMarker});
    empty->PostLoad();
    EXPECT_EQ(empty->m_frames[0]->boxA.v[0], 3.4028235e38f);
    EXPECT_EQ(empty->m_frames[0]->boxB.v[5], -3.4028235e38f);
}

TEST(ModelPostLoadTest, MarkersGiveOriginEndLengthAndAngles) {
    // Group 0: two triangles sharing vertices 1 and 2; the apex is vertex 0, the near corner
    // vertex 2 (closer to the apex), the far one vertex 1. Frame 1 moves everything by +10 x.
    // Group 1: a one-triangle marker whose apex equals its near corner.
    // Group 2: two triangles sharing one vertex only: no marker.
    auto model = Make({{0, 1, 0, 0, 0, 5, 0, 0, 1, 9, 9, 9, 0, 0, 0, 0, 0, 2},
                       {10, 1, 0, 10, 0, 5, 10, 0, 1, 19, 9, 9, 0, 0, 0, 0, 0, 2}},
                      {{{0, 1, 2}, 0}, {{1, 3, 2}, 0}, {{4, 4, 5}, 1}, {{0, 1, 2}, 2}, {{0, 3, 4}, 2}},
                      {kGroupMarker, kGroupSingleMarker, kGroupMarker});
    model->PostLoad();
    for (int f = 0; f < 2; ++f) {
        const SSMGroupFrame& marker = model->m_frames[static_cast<size_t>(f)]->groupFrames[0];
        const float dx = 10.0f * static_cast<float>(f);
        ExpectVector(marker.origin, -dx, 0, -1);
        ExpectVector(marker.end, -dx, 0, -5);
        EXPECT_NEAR(marker.length, 4.0f, 1e-6f);
        // Along +z with the face normal along +x: no yaw or pitch, a quarter roll.
        EXPECT_NEAR(marker.yaw, 0.0f, 1e-6f);
        EXPECT_NEAR(marker.pitch, 0.0f, 1e-6f);
        EXPECT_NEAR(marker.roll, kPi / 2, 1e-6f);
        EXPECT_NEAR(marker.orientation.w, std::cos(kPi / 4), 1e-6f);
        EXPECT_NEAR(marker.orientation.z, std::sin(kPi / 4), 1e-6f);
        EXPECT_NEAR(marker.matrix.m[1], 1.0f, 1e-6f);
        EXPECT_NEAR(marker.matrix.m[4], -1.0f, 1e-6f);
        EXPECT_EQ(marker.matrix.m[15], 1.0f);
    }
    const SSMGroupFrame& single = model->m_frames[0]->groupFrames[1];
    ExpectVector(single.end, 0, 0, -2);
    EXPECT_EQ(single.length, 2.0f);
    EXPECT_EQ(single.roll, 0.0f);  // the normal of a degenerate marker is taken as +y
    EXPECT_NEAR(single.orientation.w, 1.0f, 1e-6f);
    EXPECT_NEAR(single.matrix.m[0], 1.0f, 1e-6f);
    const SSMGroupFrame& none = model->m_frames[0]->groupFrames[2];
    EXPECT_EQ(none.length, 1.0f);
    EXPECT_EQ(none.end[2], 0.0f);
}

TEST(ModelPostLoadTest, GroupVertexSetsAndRenderVertices) {
    std::vector<float> positions(3 * 6, 0.0f);
    auto model = Make({positions},
                      {{{5, 1, 2}, 0, {{0, 0}, {1, 0}, {0, 1}}},
                       {{2, 1, 3}, 0, {{0, 1}, {1, 0}, {1, 1}}},
                       {{5, 1, 2}, 0, {{-0.0f, 0}, {1, 0.5f}, {0, 1}}}},
                      {0});
    model->PostLoad();
    const SSMGroup& group = *model->m_groups[0];
    EXPECT_EQ(group.vertexSet, (std::vector<int16_t>{1, 2, 3, 5}));
    EXPECT_EQ(group.vertexSetCount, 4);
    // -0 equals 0 as a texture coordinate; a vertex with other coordinates is a new entry.
    EXPECT_EQ(group.corners, (std::vector<int16_t>{0, 1, 2, 2, 1, 3, 0, 4, 2}));
    ASSERT_EQ(group.renderVertexCount, 5);
    EXPECT_EQ(group.renderVertices[3].vertex, 3);
    EXPECT_EQ(group.renderVertices[4].v, 0.5f);
}

TEST(ModelPostLoadTest, HashedTablesMatchLinearSearches) {
    // Values from a tiny set, so vertices repeat in one frame and not the other, and corners
    // repeat with and without their texture coordinates.
    uint32_t seed = 5;
    auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<uint32_t>(range));
    };
    const int vertices = 600;
    std::vector<std::vector<float>> frames(2, std::vector<float>(3 * vertices));
    for (size_t i = 0; i < 3 * vertices; ++i) {
        frames[0][i] = static_cast<float>(next(3));
        frames[1][i] = static_cast<float>(next(2));
    }
    std::vector<Tri> tris(400);
    for (Tri& tri : tris) {
        for (int k = 0; k < 3; ++k) {
            tri.v[k] = static_cast<int16_t>(next(vertices));
            tri.uv[k][0] = static_cast<float>(next(2));
            tri.uv[k][1] = next(5) == 0 ? -0.0f : 0.0f;
        }
    }
    auto model = Make(frames, tris, {0});
    model->WeldVertices();
    model->PostLoad();

    // Both tables by linear search: first occurrence of equal positions in every frame, then
    // of equal (vertex, u, v) corners.
    std::vector<int> remap(vertices);
    std::vector<int> first;
    for (int i = 0; i < vertices; ++i) {
        auto same = [&](int j) {
            for (const auto& f : frames) {
                for (int k = 0; k < 3; ++k) {
                    if (f[static_cast<size_t>(3 * i + k)] != f[static_cast<size_t>(3 * j + k)])
                        return false;
                }
            }
            return true;
        };
        size_t n = 0;
        while (n < first.size() && !same(first[n]))
            ++n;
        if (n == first.size())
            first.push_back(i);
        remap[static_cast<size_t>(i)] = static_cast<int>(n);
    }
    EXPECT_EQ(model->m_nVertices, static_cast<int16_t>(first.size()));
    std::vector<SSMRenderVertex> entries;
    std::vector<int16_t> corners;
    for (size_t t = 0; t < tris.size(); ++t) {
        for (int k = 0; k < 3; ++k) {
            const SSMRenderVertex c = {remap[static_cast<size_t>(tris[t].v[k])], tris[t].uv[k][0], tris[t].uv[k][1]};
            ASSERT_EQ(model->m_triangles[t].vertex[k], c.vertex);
            size_t n = 0;
            while (n < entries.size() && !(entries[n].vertex == c.vertex && entries[n].u == c.u && entries[n].v == c.v))
                ++n;
            if (n == entries.size())
                entries.push_back(c);
            corners.push_back(static_cast<int16_t>(n));
        }
    }
    EXPECT_EQ(model->m_groups[0]->corners, corners);
}

}  // namespace
