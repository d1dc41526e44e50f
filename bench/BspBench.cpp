// Model preparation speed: building the BSP tree of one group of 1k, 5k and 10k small
// triangles scattered through a volume (as a scenery model's are), and welding the vertices of
// a 30k-vertex, four-frame model whose triangles repeat each corner (as exported files do).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "assets/models/BspBuilder.h"
#include "assets/models/SSMObject.h"

namespace {

struct Random {
    uint32_t state;
    float Next(float range) {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 24) * range;
    }
};

std::vector<bsppoly_t> Soup(int triangles) {
    Random random{12345};
    std::vector<bsppoly_t> polys(static_cast<size_t>(triangles));
    for (int t = 0; t < triangles; ++t) {
        bsppoly_t& poly = polys[static_cast<size_t>(t)];
        const float base[3] = {random.Next(100), random.Next(100), random.Next(100)};
        for (auto& corner : poly.corners) {
            for (int k = 0; k < 3; ++k)
                corner[k] = base[k] + random.Next(2.0f);
        }
        PlaneFromTriangle(poly, poly.corners[0], poly.corners[1], poly.corners[2]);
        poly.triangle = static_cast<uint32_t>(t);
    }
    return polys;
}

void BM_BuildGroupTree(benchmark::State& state) {
    const std::vector<bsppoly_t> source = Soup(static_cast<int>(state.range(0)));
    mnode_heap_t nodes;
    mleaf_heap_t leaves;
    for (auto _ : state) {
        std::vector<bsppoly_t> polys = source;
        bsppolylist_t& work = BSPBuildBegin(&nodes, &leaves, polys);
        mbspitem_t* root = nullptr;
        benchmark::DoNotOptimize(BSPBuildNode(&root, work, nullptr, 0));
        BSPBuildEnd();
    }
    state.counters["nodes"] = static_cast<double>(nodes.count);
    state.counters["leaves"] = static_cast<double>(leaves.count - 1);
}
BENCHMARK(BM_BuildGroupTree)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);

std::unique_ptr<SSMObject> WeldModel() {
    constexpr int kDistinct = 10000;
    constexpr int kTriangles = 10000;  // 30k corners, each its own vertex in the file
    Random random{777};
    std::vector<std::vector<float>> distinct(4, std::vector<float>(3 * kDistinct));
    for (auto& frame : distinct) {
        for (float& value : frame)
            value = random.Next(50);
    }
    auto model = std::make_unique<SSMObject>();
    std::vector<int> pick(3 * kTriangles);
    for (int& p : pick)
        p = static_cast<int>(random.Next(kDistinct)) % kDistinct;
    for (int f = 0; f < 4; ++f) {
        auto frame = std::make_unique<SSMFrame>();
        for (int p : pick) {
            for (int k = 0; k < 3; ++k)
                frame->positions.push_back(distinct[static_cast<size_t>(f)][3 * static_cast<size_t>(p) + static_cast<size_t>(k)]);
        }
        model->m_frames.push_back(std::move(frame));
    }
    for (int t = 0; t < kTriangles; ++t) {
        SSMTriangle triangle{};
        for (int k = 0; k < 3; ++k)
            triangle.vertex[k] = static_cast<int16_t>(3 * t + k);
        model->m_triangles.push_back(triangle);
    }
    model->m_nVertices = static_cast<int16_t>(3 * kTriangles);
    model->m_nTriangles = static_cast<int16_t>(kTriangles);
    return model;
}

void BM_WeldVertices(benchmark::State& state) {
    const std::unique_ptr<SSMObject> source = WeldModel();
    for (auto _ : state) {
        state.PauseTiming();
        auto model = std::make_unique<SSMObject>();
        for (const auto& frame : source->m_frames)
            model->m_frames.push_back(std::make_unique<SSMFrame>(*frame));
        model->m_triangles = source->m_triangles;
        model->m_nVertices = source->m_nVertices;
        state.ResumeTiming();
        model->WeldVertices();
        benchmark::DoNotOptimize(model->m_nVertices);
    }
}
BENCHMARK(BM_WeldVertices)->Unit(benchmark::kMillisecond);

}  // namespace
