#pragma once

// Seed inputs of the "SSMO" and ".bsp" fuzz targets, made by our own writers, and the model the
// ".bsp" target reads its trees into.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/assets/models/ModelSamples.h"

namespace tarvex::test {

using Seed = std::pair<std::string, std::vector<uint8_t>>;

// Two groups of the sample soup, both taking part in the trees.
inline std::unique_ptr<SSMObject> BspFuzzModel() {
    return MakeTriangleModel(SampleSoup(), 2);
}

inline std::vector<Seed> SsmoSeeds() {
    std::vector<Seed> seeds;
    seeds.emplace_back("dressed", StoreModel(*MakeDressedModel()));
    seeds.emplace_back("soup", StoreModel(*MakeTriangleModel(SampleSoup(), 2)));
    // A two-triangle marker and a one-triangle marker.
    auto markers = MakeTriangleModel({{{{0, 1, 0}, {0, 0, 5}, {0, 0, 1}}, 0}, {{{0, 0, 5}, {9, 9, 9}, {0, 0, 1}}, 0},
                                      {{{0, 0, 0}, {0, 0, 0}, {0, 0, 2}}, 1}},
                                     2);
    markers->m_groups[0]->flags = kGroupMarker;
    markers->m_groups[1]->flags = kGroupSingleMarker;
    markers->m_triangles[1].vertex[0] = 1;
    markers->m_triangles[1].vertex[2] = 2;
    seeds.emplace_back("markers", StoreModel(*markers));
    seeds.emplace_back("empty", StoreModel(*std::make_unique<SSMObject>()));
    return seeds;
}

inline std::vector<Seed> BspSeeds() {
    std::vector<Seed> seeds;
    auto model = BspFuzzModel();
    BuildTrees(*model);
    model->m_uModelValue = 7;
    seeds.emplace_back("soup", model->WriteBSP());
    model->m_groups[1]->flags = kGroupInBsp;
    seeds.emplace_back("one_tree", model->WriteBSP());
    // Only the first triangle: its group is one leaf at the root.
    auto single = BspFuzzModel();
    single->m_groups[0]->triangles.resize(1);
    single->m_groups[1]->triangles.clear();
    BuildTrees(*single);
    seeds.emplace_back("lone_leaf", single->WriteBSP());
    seeds.emplace_back("no_trees", BspFuzzModel()->WriteBSP());
    return seeds;
}

}  // namespace tarvex::test
