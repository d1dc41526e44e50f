// Shots and decals on the demo outdoor map: line tests per second through its terrain, pond
// and a wood of map objects with a few standing models, and decals laid per second on its hill.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/map/SMapKR5.h"
#include "render/shots/SHitTests.h"
#include "render/texture/SD3D6Lock.h"
#include "tools/makehome/HomeOutdoor.h"

namespace {

struct Random {
    uint32_t state;
    float Next(float range) {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 24) * range;
    }
};

class SizedLock : public SD3D6Lock {
public:
    SizedLock(int16_t width, int16_t height) {
        m_iWidth = width;
        m_iHeight = height;
    }
};

// A closed box of twelve triangles, 200 wide and 300 high, as a stand-in for a hut.
std::unique_ptr<SSMObject> BoxModel() {
    auto model = std::make_unique<SSMObject>();
    auto frame = std::make_unique<SSMFrame>();
    const float c[8][3] = {{-100, 0, -100}, {100, 0, -100}, {-100, 300, -100}, {100, 300, -100},
                           {-100, 0, 100},  {100, 0, 100},  {-100, 300, 100},  {100, 300, 100}};
    for (const auto& p : c) {
        frame->positions.insert(frame->positions.end(), p, p + 3);
    }
    const int faces[12][3] = {{0, 1, 2}, {1, 3, 2}, {4, 6, 5}, {5, 6, 7}, {0, 2, 4}, {2, 6, 4},
                              {1, 5, 3}, {3, 5, 7}, {2, 3, 6}, {3, 7, 6}, {0, 4, 1}, {1, 4, 5}};
    auto group = std::make_unique<SSMGroup>();
    for (int t = 0; t < 12; ++t) {
        SSMTriangle tri{};
        for (int k = 0; k < 3; ++k) {
            tri.vertex[k] = static_cast<int16_t>(faces[t][k]);
        }
        model->m_triangles.push_back(tri);
        group->triangles.push_back(static_cast<int16_t>(t));
    }
    frame->boxA.Reset();
    for (int i = 0; i < 8; ++i) {
        frame->boxA.AddPoint(c[i]);
    }
    frame->groupFrames.resize(1);
    model->m_groups.push_back(std::move(group));
    model->m_frames.push_back(std::move(frame));
    model->m_nGroups = 1;
    model->m_nFrames = 1;
    return model;
}

// The demo map's grids and water in a renderer, a wood of map objects over the land and
// standing models; built once.
struct DemoWorld {
    SD3D6Parser parser;
    std::unique_ptr<SSMObject> model = BoxModel();
    std::vector<std::unique_ptr<SSMHandle>> handles;
    std::vector<std::unique_ptr<ActorDesc>> actors;

    DemoWorld() {
        parser.m_iSessionMode = 2;
        parser.m_pWorld = new SHuntWorld();
        for (const auto& file : home_outdoor::BuildOutdoorFiles()) {
            if (file.path == home_outdoor::kMapPath) {
                const std::string path = "/tmp/tarvex_linetest_bench.gmx";
                if (FILE* f = std::fopen(path.c_str(), "wb")) {
                    std::fwrite(file.bytes.data(), 1, file.bytes.size(), f);
                    std::fclose(f);
                }
                SMapKR5 map;
                if (map.LoadFile(path.c_str()) != 0) {
                    parser.m_pWorld->TakeGrids(map);
                }
                std::remove(path.c_str());
            }
        }
        auto* item = new SD3D6TextureItem();
        item->m_pTexture = new SizedLock(64, 128);  // a tree: radius 8, 128 high
        parser.m_TextureItems.Add(item);
        parser.m_LevelInfo.Field(4) = 800;
        parser.m_pDecalRing = new ActorDesc[800 + 32];
        Random random{7};
        for (int cell = 0; cell < 65536; ++cell) {
            SHuntCell& c = parser.m_pWorld->Cell(cell);
            if (c.byWater != 0) {
                continue;
            }
            c.byObjectCount = 3;
            for (int k = 0; k < 3; ++k) {
                c.nObjects[k] = 0;
                c.byObjectPositions[k][0] = static_cast<uint8_t>(random.Next(255));
                c.byObjectPositions[k][1] = static_cast<uint8_t>(random.Next(255));
                c.fObjectScales[k] = 1.0f;
                c.fObjectBases[k] = static_cast<float>(parser.m_pWorld->GetTerrainHeight(
                    (cell & 255) * 256 + c.byObjectPositions[k][0], (cell >> 8) * 256 + c.byObjectPositions[k][1]));
            }
        }
        for (int i = 0; i < 64; ++i) {
            handles.emplace_back(model->CreateHandle());
            handles.back()->m_groupStates[0].flags = 0x30;
            auto actor = std::make_unique<ActorDesc>();
            actor->m_pModel = handles.back().get();
            actor->m_dwFlags = 4;
            const float x = 20000.0f + random.Next(25000.0f), z = 20000.0f + random.Next(25000.0f);
            actor->m_vPosition = SVector(x, static_cast<float>(parser.m_pWorld->GetTerrainHeight(x, z)), z);
            parser.AddObject(actor.get(), 0, x, z);
            actors.push_back(std::move(actor));
        }
    }
};

DemoWorld& World() {
    static DemoWorld world;
    return world;
}

void BM_LineTest(benchmark::State& state) {
    DemoWorld& world = World();
    const auto length = static_cast<float>(state.range(0));
    const uint32_t flags = hit::kMapObjects | hit::kCylinder | hit::kActors | hit::kTriangles | hit::kTerrain |
                           hit::kWaterLevels | hit::kWater;
    Random random{99};
    int64_t hits = 0;
    for (auto _ : state) {
        const float x = 3000.0f + random.Next(59000.0f), z = 3000.0f + random.Next(59000.0f);
        const SVector b(x, static_cast<float>(world.parser.m_pWorld->GetTerrainHeight(x, z)) + 60.0f, z);
        const float angle = random.Next(6.2831853f);
        const SVector a(x + std::sin(angle) * length, b.y - random.Next(40.0f), z + std::cos(angle) * length);
        hits += world.parser.HitTest(&a, &b, 0.0f, 0.0f, flags) == 0 ? 1 : 0;
    }
    state.counters["shots_per_second"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                            benchmark::Counter::kIsRate);
    state.counters["hit_share"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LineTest)->Arg(2000)->Arg(8000);

void BM_PlaceDecal(benchmark::State& state) {
    DemoWorld& world = World();
    Random random{5};
    ActorDesc desc;
    desc.m_nModelIndex = 0;
    desc.m_fScale = static_cast<float>(state.range(0)) / 8.0f;  // half-width in map units = 8 * scale
    for (auto _ : state) {
        desc.m_vPosition = SVector(20000.0f + random.Next(25000.0f), 0.0f, 20000.0f + random.Next(25000.0f));
        desc.m_vAngles = SVector(0.0f, random.Next(6.2831853f), 0.0f);
        world.parser.PlaceDecal(desc, 0, 0, 0xFFFFFFFF);
    }
    state.counters["decals_per_second"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                             benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlaceDecal)->Arg(8)->Arg(64)->Arg(512);

}  // namespace
