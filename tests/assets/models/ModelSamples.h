#pragma once

// Models made in memory for the model tests, the fuzz targets and their seeds: a triangle
// soup with trees built the way the renderer builds them, and the bytes our writers make of it.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "assets/models/BspBuilder.h"
#include "assets/models/SSMObject.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"

namespace tarvex::test {

using Corner = std::initializer_list<float>;

struct TriangleSpec {
    float corners[3][3];
    int16_t group;
};

// One frame, one group per distinct group number (flags 0x402: in the trees), the triangles'
// corners as separate vertices, and the renderer's per-vertex block filled from frame 0.
inline std::unique_ptr<SSMObject> MakeTriangleModel(const std::vector<TriangleSpec>& triangles, int groups = 1) {
    auto model = std::make_unique<SSMObject>();
    auto frame = std::make_unique<SSMFrame>();
    frame->name = "base";
    frame->groupBytes.assign(static_cast<size_t>(groups), 0);
    for (size_t t = 0; t < triangles.size(); ++t) {
        SSMTriangle record{};
        for (int k = 0; k < 3; ++k) {
            record.vertex[k] = static_cast<int16_t>(3 * t + static_cast<size_t>(k));
            for (float c : triangles[t].corners[k])
                frame->positions.push_back(c);
            record.uv[k].u = static_cast<float>(k);
            record.uv[k].v = static_cast<float>(t);
        }
        record.group = triangles[t].group;
        model->m_triangles.push_back(record);
    }
    for (int g = 0; g < groups; ++g) {
        auto group = std::make_unique<SSMGroup>();
        group->name = g == 0 ? "Normal" : "Part";
        group->flags = kGroupInBsp | kGroupHasBsp;
        model->m_groups.push_back(std::move(group));
    }
    for (size_t t = 0; t < triangles.size(); ++t) {
        const int16_t g = triangles[t].group;
        if (g >= 0 && g < groups)
            model->m_groups[static_cast<size_t>(g)]->triangles.push_back(static_cast<int16_t>(t));
    }
    for (auto& group : model->m_groups)
        group->triangleCount = static_cast<int16_t>(group->triangles.size());
    frame->groupFrames.resize(static_cast<size_t>(groups));
    model->m_nVertices = static_cast<int16_t>(3 * triangles.size());
    model->m_nTriangles = static_cast<int16_t>(triangles.size());
    model->m_nGroups = static_cast<int16_t>(groups);
    model->m_nFrames = 1;
    model->m_nBSPVertices = static_cast<uint32_t>(model->m_nVertices);
    for (size_t v = 0; v < frame->positions.size() / 3; ++v) {
        for (int k = 0; k < 3; ++k)
            model->m_bspVertices.push_back(frame->positions[3 * v + static_cast<size_t>(k)]);
        for (int k = 0; k < 3; ++k)
            model->m_bspVertices.push_back(0.0f);
    }
    model->m_frames.push_back(std::move(frame));
    return model;
}

// The trees of every group flagged 0x400, as the renderer builds them; 1 when all built.
inline int BuildTrees(SSMObject& model) {
    int result = 1;
    for (size_t g = 0; g < model.m_groups.size(); ++g) {
        SSMGroup& group = *model.m_groups[g];
        if ((group.flags & kGroupHasBsp) == 0)
            continue;
        std::vector<bsppoly_t> polys;
        BSPCollectGroupPolygons(polys, model, static_cast<int>(g));
        bsppolylist_t& work = BSPBuildBegin(&group.nodes, &group.leaves, polys);
        group.pRoot = nullptr;
        result &= BSPBuildNode(&group.pRoot, work, nullptr, 0);
        BSPBuildEnd();
    }
    model.m_bBSPBuilt = 1;
    model.m_bTransformValid = 1;
    return result;
}

// A small scene of triangles that cut, face and stack on each other, in two groups.
inline std::vector<TriangleSpec> SampleSoup() {
    return {
        {{{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}}, 0},    // horizontal, facing +z
        {{{0, -1, -1}, {0, 1, -1}, {0, 0, 1}}, 0},    // in x = 0, crossing the first
        {{{-1, 0, -1}, {1, 0, -1}, {0, 0, 1}}, 0},    // in y = 0, crossing both
        {{{-1, -1, 2}, {1, -1, 2}, {0, 1, 2}}, 0},    // above the first, facing the same way
        {{{0, 1, -3}, {1, -1, -3}, {-1, -1, -3}}, 0}, // below, facing down
        {{{5, 5, 5}, {6, 5, 5}, {5, 6, 5}}, 1},
        {{{5, 5, 6}, {5, 6, 6}, {6, 5, 6}}, 1},
    };
}

inline std::vector<uint8_t> StoreModel(SSMObject& model) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        model.Serialize(ar);
        ar.Close();
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    if (!bytes.empty())
        file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

// Loads through Serialize; false when the archive refused the bytes.
inline bool LoadModel(SSMObject& model, std::vector<uint8_t> bytes) {
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    try {
        CArchive ar(&file, CArchive::load);
        model.Serialize(ar);
    } catch (const CArchiveException&) {
        return false;
    }
    return true;
}

// A fuller model: resources, two frames, an animation, skins and tags.
inline std::unique_ptr<SSMObject> MakeDressedModel() {
    auto model = MakeTriangleModel(SampleSoup(), 2);
    auto resource = std::make_unique<SSMResource>();
    resource->name = "metal";
    resource->value = 3;
    model->m_resources.push_back(std::move(resource));
    auto second = std::make_unique<SSMFrame>(*model->m_frames[0]);
    second->name = "moved";
    for (float& p : second->positions)
        p += 0.5f;
    model->m_frames.push_back(std::move(second));
    auto anim = std::make_unique<SSMAnim>();
    anim->name = "idle";
    anim->flags = 1;
    anim->frames = {0, 1, 0};
    anim->durations = {0.5f, 0.25f, 0.25f};
    anim->frameCount = 3;
    anim->totalTime = 1.0f;
    model->m_anims.push_back(std::move(anim));
    auto skin = std::make_unique<SSMSkin>();
    skin->name = "Skin0";
    model->m_groups[0]->skins.push_back(std::move(skin));
    auto tag = std::make_unique<SSMTag>();
    tag->name = "Static_1";
    tag->value = "yes";
    tag->byte = 2;
    model->m_tags.push_back(std::move(tag));
    return model;
}

}  // namespace tarvex::test
