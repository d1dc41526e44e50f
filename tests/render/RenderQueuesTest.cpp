// The render queues and texture states: sort orders, per-texture batches, bounded queues and
// batches, the state cache; and the outdoor frame's sweep, water, overlays and passes on a
// recording device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "render/SD3D6Parser.h"
#include "render/map/SHuntWorld.h"
#include "render/pipeline/SD3DRaster.h"
#include "render/queues/SRenderQueues.h"
#include "render/texture/SD3D6Lock.h"
#include "sys/time/time.h"
#include "assets/models/SSMHandle.h"
#include "sys/window/headless/headless_dialogs.h"
#include "tests/assets/models/ModelSamples.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include <filesystem>

namespace {

using sys::d3d::IDirect3DDevice3;

int CountPrefix(const std::vector<std::string>& log, const std::string& prefix) {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& line) {
        return line.rfind(prefix, 0) == 0;
    }));
}

class RenderQueuesTest : public tarvex::test::RenderDisplayTest {
protected:
    void SetUp() override {
        RenderDisplayTest::SetUp();
        OpenSurfaces(0);
        parser.Create(&info);
        ASSERT_EQ(parser.CreateRaster(&record), 1);
        device = parser.GetRaster()->GetDevice(0);
        device->SetRecording(true);
    }
    void TearDown() override {
        device->SetRecording(false);
        RenderDisplayTest::TearDown();
    }
    const std::vector<std::string>& Log() { return device->Recording(); }

    SParserCreateInfo info;
    SD3D6Parser parser;
    IDirect3DDevice3* device = nullptr;
};

TEST(RenderQueueOrder, ComparisonsAndSorts) {
    struct Case {
        float a, b;
        int draw;
        int16_t ta, tb;
        int texture;
    };
    const Case cases[] = {{1.0f, 2.0f, -1, 1, 2, -1}, {2.0f, 1.0f, 1, 2, 1, 1}, {3.0f, 3.0f, -1, 5, 5, 0},
                          {-1.0f, -2.0f, 1, -1, 3, -1}};
    for (const Case& c : cases) {
        SDepthEntry a, b;
        a.fKey = c.a;
        b.fKey = c.b;
        SOpaqueEntry ta, tb;
        ta.iTexture = c.ta;
        tb.iTexture = c.tb;
        EXPECT_EQ(SRenderQueues::CompareDrawKeys(a, b), c.draw) << c.a << " " << c.b;
        EXPECT_EQ(SRenderQueues::CompareTextureKeys(ta, tb), c.texture) << c.ta << " " << c.tb;
    }
    // Many equal keys sort without fault (the ordering handed to the sort is strict).
    SRenderQueues queues;
    const float keys[] = {5, -3, 5, 5, 0, -3, 5, 7, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 1};
    for (float k : keys) {
        SDepthEntry e;
        e.fKey = k;
        queues.AddDepth(e);
        SOpaqueEntry o;
        o.iTexture = static_cast<int16_t>(k);
        queues.AddOpaque(o);
    }
    queues.SortTranslucent();
    queues.SortOpaque();
    for (size_t i = 1; i < queues.DepthCount(); ++i) {
        EXPECT_LE(queues.Depth(i - 1).fKey, queues.Depth(i).fKey);
        EXPECT_LE(queues.Opaque(i - 1).iTexture, queues.Opaque(i).iTexture);
    }
}

TEST(RenderQueueBounds, FullQueuesAndPoolsDropAndCount) {
    SRenderQueues queues;
    queues.Size(2, 5, 1, 64, 64);
    SOpaqueEntry o;
    SDepthEntry d;
    EXPECT_TRUE(queues.AddOpaque(o));
    EXPECT_TRUE(queues.AddOpaque(o));
    EXPECT_FALSE(queues.AddOpaque(o));
    EXPECT_TRUE(queues.AddDepth(d));
    EXPECT_TRUE(queues.AddDepth(d));
    EXPECT_FALSE(queues.AddDepth(d));
    EXPECT_NE(queues.AllocVertices(3), nullptr);
    EXPECT_EQ(queues.AllocVertices(3), nullptr);
    EXPECT_NE(queues.AllocSprite(), nullptr);
    EXPECT_EQ(queues.AllocSprite(), nullptr);
    EXPECT_EQ(queues.Dropped(), 4u);
    queues.Reset();
    EXPECT_EQ(queues.OpaqueCount(), 0u);
    EXPECT_EQ(queues.Dropped(), 0u);
}

TEST_F(RenderQueuesTest, BatchesByTextureAndFlushesBeforeOverflow) {
    SRenderQueues& q = parser.m_Queues;
    q.Size(64, 64, 16, 8, 12);  // a batch holds two quads
    SSpriteRecord sprite{{0, 0, 10}, {1, 1, 10}, {}, 0xFFFFFF, 0xFFFFFF};
    const int16_t textures[] = {3, 1, 3, 3, 3};
    for (int16_t t : textures) {
        SDepthEntry e;
        e.fKey = static_cast<float>(t);
        e.iTexture = t;
        e.iKind = 0;
        e.pPointer = &sprite;
        q.AddDepth(e);
    }
    device->ClearRecording();
    q.SortTranslucent();
    q.DrawTranslucent(device, [](int16_t) { return nullptr; });
    // Texture 1 in one draw; the four quads of texture 3 in two draws of two quads each.
    std::vector<std::string> draws;
    for (const std::string& line : Log()) {
        if (line.rfind("DrawIndexedPrimitive", 0) == 0) {
            draws.push_back(line);
        }
    }
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0], "DrawIndexedPrimitive 4 0x252 4 6 0x18");
    EXPECT_EQ(draws[1], "DrawIndexedPrimitive 4 0x252 8 12 0x18");
    EXPECT_EQ(draws[2], "DrawIndexedPrimitive 4 0x252 8 12 0x18");

    // An empty queue draws nothing and sets no state.
    q.Reset();
    device->ClearRecording();
    q.DrawOpaque(device, [](int16_t) { return nullptr; });
    EXPECT_TRUE(Log().empty());
}

TEST_F(RenderQueuesTest, TextureStatesGoThroughTheCache) {
    SRenderQueues& q = parser.m_Queues;
    q.m_Cache.Reset();
    SD3D6Lock base, detail, far;
    base.m_States.dwStageIndex = 0;
    detail.m_States.dwStageIndex = 1;
    base.m_pDetail = &detail;
    far.m_States.dwStageIndex = 4;

    device->ClearRecording();
    q.SetTextureState(device, &base);
    const int first = static_cast<int>(Log().size());
    EXPECT_EQ(CountPrefix(Log(), "SetRenderState"), 12 + 1);  // the twelve and the fill mode
    EXPECT_EQ(CountPrefix(Log(), "SetTextureStageState 1 11 1"), 1);
    // Stage 1 has no next record: stage 2 is switched off.
    EXPECT_EQ(CountPrefix(Log(), "SetTexture 2 null"), 1);
    EXPECT_EQ(CountPrefix(Log(), "SetTextureStageState 2 1 1"), 1);

    // The same record again changes no render or stage state.
    device->ClearRecording();
    q.SetTextureState(device, &base);
    EXPECT_EQ(CountPrefix(Log(), "SetRenderState"), 0);
    EXPECT_EQ(CountPrefix(Log(), "SetTextureStageState"), 0);
    EXPECT_LT(static_cast<int>(Log().size()), first);

    // A stage number of 4 or more touches nothing; null clears stages 0 and 1.
    device->ClearRecording();
    q.SetTextureState(device, &far);
    EXPECT_TRUE(Log().empty());
    q.SetTextureState(device, nullptr);
    EXPECT_EQ(Log(), (std::vector<std::string>{"SetTexture 0 null", "SetTexture 1 null"}));

    // A negative level-of-detail bias reaches the device as a negative float: -1 as -1.0f.
    SD3D6Lock biased;
    biased.m_States.dwMipBias = static_cast<uint32_t>(-1);
    device->ClearRecording();
    q.SetTextureState(device, &biased);
    EXPECT_EQ(CountPrefix(Log(), "SetTextureStageState 0 19 3212836864"), 1);  // the bits of -1.0f
}

TEST_F(RenderQueuesTest, SweepListsAndWater) {
    parser.m_pWorld = new SHuntWorld();
    parser.m_Buffers.SizeForSession();
    parser.m_LevelInfo.Field(1) = 20;
    SHuntWorld& world = *parser.m_pWorld;
    // Row 255 is water in state 2, one cell ahead is cut by the water (state 1).
    for (int x = 0; x < 256; ++x) {
        world.Cell(x + 256 * 255).byWater = 2;
    }
    const int cut = 3 + 256 * 14;
    world.Cell(cut).byWater = 1;
    world.Cell(cut + 1).byWater = 2;
    world.m_pWaterLevels[cut] = 0.0f;
    // A camera outside the map is pulled in; looking along +z from the corner.
    parser.m_fViewPosition[0] = -500.0f;
    parser.m_fViewPosition[1] = 0.0f;
    parser.m_fViewPosition[2] = 2600.0f;
    parser.m_fProjection[0] = 60.0f;
    parser.UpdateVisibleCells();
    auto list = [&](SOutdoorBuffers::Buffer b) {
        const auto* cells = reinterpret_cast<const uint16_t*>(parser.m_Buffers.Data(b));
        return std::vector<uint16_t>(cells, cells + parser.m_Buffers.Count(b));
    };
    const auto ground = list(SOutdoorBuffers::kGroundCells);
    const auto water = list(SOutdoorBuffers::kWaterCells);
    ASSERT_FALSE(ground.empty());
    auto has = [](const std::vector<uint16_t>& v, int c) { return std::find(v.begin(), v.end(), c) != v.end(); };
    EXPECT_TRUE(has(water, cut));
    EXPECT_FALSE(has(ground, cut));
    EXPECT_TRUE(has(water, cut + 1));
    EXPECT_TRUE(has(ground, cut + 1));
    EXPECT_TRUE(std::adjacent_find(ground.begin(), ground.end()) == ground.end());
    for (uint16_t c : ground) {
        EXPECT_LT(c & 255, 255);
        EXPECT_LT(c >> 8, 255);
    }

    // Water within 1152 units is see-through by distance, never below alpha 112.
    SD3D6Lock waterLock;
    parser.m_pWaterTexture = &waterLock;
    parser.m_nWaterTexture = 0;
    parser.m_fViewPosition[0] = 3.0f * 256.0f;
    parser.m_fViewPosition[2] = 14.0f * 256.0f;
    parser.m_fViewPosition[1] = 600.0f;
    parser.m_Buffers.Count(SOutdoorBuffers::kWaterCells) = 1;
    reinterpret_cast<uint16_t*>(parser.m_Buffers.Data(SOutdoorBuffers::kWaterCells))[0] = cut;
    parser.ResetRenderQueues();
    parser.BuildWaterTriangles();
    ASSERT_EQ(parser.m_Queues.DepthCount(), 2u);
    const auto* v = static_cast<const SQueueVertex*>(parser.m_Queues.Depth(0).pPointer);
    EXPECT_EQ(v[0].dwColour >> 24, 199u);  // 600 x 0.33203125
    EXPECT_EQ(v[1].dwColour >> 24, static_cast<uint32_t>(std::sqrt(600.0f * 600 + 256 * 256) * 0.33203125f));
    parser.m_fViewPosition[1] = 10.0f;
    parser.ResetRenderQueues();
    parser.BuildWaterTriangles();
    EXPECT_EQ(static_cast<const SQueueVertex*>(parser.m_Queues.Depth(0).pPointer)[0].dwColour >> 24, 112u);
    parser.m_pWaterTexture = nullptr;
}

TEST_F(RenderQueuesTest, FramePassesFogAndOverlays) {
    parser.m_pWorld = new SHuntWorld();
    parser.m_Buffers.SizeForSession();
    parser.m_iSessionMode = 2;
    parser.m_bSessionReady = 1;
    const uint32_t savedFlags = SD3D6Parser::s_dwSceneRenderSwitches;

    // Flags 0: only the z clear and the (empty) overlay pass.
    SD3D6Parser::s_dwSceneRenderSwitches = 0;
    device->ClearRecording();
    EXPECT_EQ(parser.RenderFrame(), 1);
    EXPECT_EQ(CountPrefix(Log(), "Draw"), 0);
    EXPECT_EQ(CountPrefix(Log(), "Clear 1 0x2"), 1);

    // Night vision cycles its textures once per period; a missing centred index draws nothing.
    SD3D6Lock nv[4], flash;
    for (int i = 0; i < 4; ++i) {
        parser.m_pNightVision[i] = &nv[i];
    }
    parser.m_iNightVisionCount = 4;
    parser.m_pFlash = &flash;
    SD3D6Parser::s_dwNightVisionCounter = 0;
    parser.m_dwNightVisionDue = 0;
    sys::time::SetFakeTicks(1000);
    std::vector<const SD3D6Lock*> shown;
    for (int frame = 0; frame < 6; ++frame) {
        parser.Hunt_DrawOverlays(0x80);
        shown.push_back(parser.m_pNightVisionShown);
        sys::time::AdvanceFake(301);
    }
    EXPECT_EQ(shown, (std::vector<const SD3D6Lock*>{&nv[0], &nv[1], &nv[2], &nv[3], &nv[0], &nv[1]}));
    SD3D6Parser::s_iCentredIndex = 4;
    device->ClearRecording();
    parser.Hunt_DrawOverlays(0x100 | 0x200);
    EXPECT_EQ(CountPrefix(Log(), "DrawPrimitive 5 0x142 4"), 1);  // the red flash only
    parser.m_iNightVisionCount = 0;
    device->ClearRecording();
    parser.Hunt_DrawOverlays(0x80);
    EXPECT_EQ(CountPrefix(Log(), "DrawPrimitive"), 0);

    // Fog: without the table-fog capability, enable is left as it was.
    parser.m_HWDesc.dpcTriCaps.dwRasterCaps = 0;
    device->ClearRecording();
    parser.SetFog(0x123456, 10.0f, 20.0f);
    EXPECT_EQ(CountPrefix(Log(), "SetRenderState 28"), 0);
    EXPECT_EQ(CountPrefix(Log(), "SetRenderState 35 3"), 1);
    parser.m_HWDesc.dpcTriCaps.dwRasterCaps = 0x100;
    device->ClearRecording();
    parser.SetFog(0x123456, 10.0f, 20.0f);
    EXPECT_EQ(CountPrefix(Log(), "SetRenderState 28 1"), 1);

    // Objects near a cell: only the square of cells asked for.
    int a = 1, b = 2;
    parser.m_pWorld->AddToList(&a, 0, 3, 3);
    parser.m_pWorld->AddToList(&b, 0, 4, 3);
    void* out[4] = {};
    EXPECT_EQ(parser.CollectObjectsNear(0, 0, 3, out, 1), 1);
    EXPECT_EQ(out[0], &a);

    // A view-model host that never ends its list is cut off.
    static int calls = 0;
    calls = 0;
    parser.SetCallback3([](int32_t* cookie) -> void* {
        ++calls;
        *cookie = 1;
        return nullptr;
    });
    parser.Hunt_RenderViewModels();
    EXPECT_EQ(calls, SD3D6Parser::kMaxViewModels);
    parser.SetCallback3(nullptr);
    parser.m_pWorld->RemoveFromList(&a, 3, 3);
    parser.m_pWorld->RemoveFromList(&b, 4, 3);
    SD3D6Parser::s_dwSceneRenderSwitches = savedFlags;
    parser.m_iSessionMode = 0;
    parser.m_bSessionReady = 0;
}

TEST_F(RenderQueuesTest, StaticModelGetsItsTreesOnFirstDrawOnly) {
    const std::string folder = tarvex::test::MakeScratchFolder("lazy_bsp");
    auto model = tarvex::test::MakeTriangleModel({{{{0, 0, 100}, {10, 0, 100}, {0, 10, 100}}, 0},
                                                  {{{0, 0, 200}, {10, 0, 200}, {0, 10, 200}}, 0}});
    model->m_frames[0]->groupBytes[0] = 1;
    model->m_bBSPWanted = 1;
    model->m_bBSPBuilt = 0;
    model->m_bspVertices.clear();
    model->m_strFileName = (folder + "/crate.ssm").c_str();
    SSMHandle* handle = model->CreateHandle();
    ASSERT_EQ(handle->m_groupStates.size(), 1u);
    handle->m_groupStates[0].flags |= 0x2;
    handle->m_groupStates[0].textureSlot = 0;
    ActorDesc object;
    object.m_pModel = handle;
    object.m_dwFlags = 1;
    object.m_vPosition = SVector(5.0f, 0.0f, 0.0f);

    sys::dialogs::headless::Reset();
    for (int frame = 0; frame < 2; ++frame) {
        parser.ResetRenderQueues();
        SObjectFrameRecord record = parser.MakeFrameRecord(&object, 1.0f);
        parser.RenderModelHierarchy(record);
        object.m_vPosition = SVector(500.0f, 0.0f, 0.0f);  // moved after the first draw
    }
    const auto boxes = sys::dialogs::headless::Shown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Generating BSP of model: " + folder + "/crate.ssm");
    EXPECT_TRUE(std::filesystem::exists(folder + "/crate.bsp"));
    EXPECT_EQ(model->m_bBSPBuilt, 1);
    // Drawn from where it first stood: the cached first corner is 5 units along x.
    ASSERT_GE(model->m_bspVertices.size(), 6u);
    EXPECT_FLOAT_EQ(model->m_bspVertices[0], 5.0f);

    // A hidden node hides its subtree; a node of another kind queues nothing.
    parser.ResetRenderQueues();
    object.m_dwFlags = 0;
    SObjectFrameRecord record = parser.MakeFrameRecord(&object, 1.0f);
    parser.RenderModelHierarchy(record);
    EXPECT_EQ(parser.m_Queues.OpaqueCount() + parser.m_Queues.DepthCount(), 0u);
    delete handle;
}

TEST_F(RenderQueuesTest, AnimatedModelsBlendTowardTheirNextFrame) {
    auto model = tarvex::test::MakeTriangleModel({{{{0, 0, 100}, {10, 0, 100}, {0, 10, 100}}, 0}});
    model->m_bBSPWanted = 0;
    model->m_frames[0]->groupBytes[0] = 1;
    auto second = std::make_unique<SSMFrame>(*model->m_frames[0]);
    for (size_t v = 0; v < second->positions.size(); v += 3) {
        second->positions[v] += 10.0f;
    }
    model->m_frames.push_back(std::move(second));
    model->m_nFrames = 2;
    auto anim = std::make_unique<SSMAnim>();
    anim->frames = {0, 1};
    anim->frameCount = 2;
    model->m_anims.push_back(std::move(anim));
    model->m_nAnims = 1;
    SSMHandle* handle = model->CreateHandle();
    ASSERT_EQ(handle->m_animStates.size(), 1u);
    handle->SetAnimated(1);
    handle->m_nCurAnim = 0;
    handle->m_groupStates[0].flags |= 0x2;
    handle->m_groupStates[0].textureSlot = 0;
    ActorDesc object;
    object.m_pModel = handle;
    object.m_dwFlags = 1;

    struct Case {
        const char* name;
        int interpolate, step, loop;
        float duration, elapsed, x;
    };
    const Case cases[] = {
        {"half way", 1, 0, 0, 2.0f, 1.0f, 5.0f},
        {"interpolation off", 0, 0, 0, 2.0f, 1.0f, 0.0f},
        {"last frame, not looping", 1, 1, 0, 2.0f, 1.0f, 10.0f},
        {"last frame, looping", 1, 1, 1, 2.0f, 1.0f, 5.0f},
        {"frame of no duration", 1, 1, 1, 0.0f, 1.0f, 10.0f},
    };
    for (const Case& c : cases) {
        model->m_anims[0]->durations = {c.duration, c.duration};
        handle->m_animStates[0].step = static_cast<int16_t>(c.step);
        handle->m_animStates[0].loop = static_cast<uint8_t>(c.loop);
        handle->m_animStates[0].elapsed = c.elapsed;
        parser.ResetRenderQueues();
        SObjectFrameRecord record = parser.MakeFrameRecord(&object, 1.0f);
        record.iInterpolate = c.interpolate;
        parser.RenderModelHierarchy(record);
        ASSERT_EQ(parser.m_Queues.OpaqueCount(), 1u) << c.name;
        const SOpaqueEntry& entry = parser.m_Queues.Opaque(0);
        EXPECT_EQ(entry.iKind, 0) << c.name;
        EXPECT_FLOAT_EQ(parser.m_Queues.Instance(static_cast<size_t>(entry.pair.iFirst)).pTransformed[0], c.x)
            << c.name;
    }
    // An animation index past the model's draws nothing.
    handle->m_nCurAnim = 3;
    parser.ResetRenderQueues();
    SObjectFrameRecord record = parser.MakeFrameRecord(&object, 1.0f);
    parser.RenderModelHierarchy(record);
    EXPECT_EQ(parser.m_Queues.OpaqueCount(), 0u);
    delete handle;
}

}  // namespace

namespace {

// A one-triangle model drawn with texture item 0, and objects of it.
struct TriangleObjects {
    TriangleObjects() {
        model = tarvex::test::MakeTriangleModel({{{{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}, 0}});
        model->m_bBSPWanted = 0;
        model->m_frames[0]->groupBytes[0] = 1;
    }
    ActorDesc& Add(SVector position, uint32_t flags) {
        handles.emplace_back(model->CreateHandle());
        handles.back()->m_groupStates[0].flags |= 0x2;
        handles.back()->m_groupStates[0].textureSlot = 0;
        objects.emplace_back(std::make_unique<ActorDesc>());
        ActorDesc& object = *objects.back();
        object.m_pModel = handles.back().get();
        object.m_dwFlags = flags;
        object.m_vPosition = position;
        return object;
    }
    std::unique_ptr<SSMObject> model;
    std::vector<std::unique_ptr<SSMHandle>> handles;
    std::vector<std::unique_ptr<ActorDesc>> objects;
};

}  // namespace

// Translucent polygons of an object that asks for it sort as if moved by the alpha offset: the
// nearer board, pushed back, is drawn before the farther one.
TEST_F(RenderQueuesTest, AlphaOffsetMovesTranslucentPolygonsInTheSort) {
    auto* item = new SD3D6TextureItem();
    item->m_pTexture = new SD3D6Lock();
    item->m_pTexture->m_dwSortType = 1;
    parser.m_TextureItems.Add(item);
    TriangleObjects boards;
    ActorDesc& near = boards.Add(SVector(0.0f, 0.0f, 100.0f), 0x1 | 0x10);
    ActorDesc& far = boards.Add(SVector(0.0f, 0.0f, 200.0f), 0x1);
    const struct {
        float offset;
        const ActorDesc* first;
    } cases[] = {{0.0f, &far}, {-500.0f, &near}, {500.0f, &far}};
    for (const auto& c : cases) {
        SD3D6Parser::s_fAlphaOffset = c.offset;
        parser.ResetRenderQueues();
        for (ActorDesc* object : {&near, &far}) {
            SObjectFrameRecord record = parser.MakeFrameRecord(object, 1.0f);
            parser.RenderModelHierarchy(record);
        }
        ASSERT_EQ(parser.m_Queues.DepthCount(), 2u);
        EXPECT_NEAR(parser.m_Queues.Depth(0).fKey, -100.0f + c.offset, 0.01f) << c.offset;
        parser.SortTranslucentQueue();
        const auto* firstVertex = static_cast<const SQueueVertex*>(parser.m_Queues.Depth(0).pPointer);
        EXPECT_FLOAT_EQ(firstVertex->z, c.first->m_vPosition.z) << c.offset;
    }
    SD3D6Parser::s_fAlphaOffset = 0.0f;
}

// The sweep lists only the object cells of the view's region; the draw-all switch lists every
// cell that holds an object, so an object past the view radius is queued too.
TEST_F(RenderQueuesTest, DrawAllObjectsQueuesWhatTheSweepLeavesOut) {
    parser.m_pWorld = new SHuntWorld();
    parser.m_Buffers.SizeForSession();
    parser.m_LevelInfo.Field(1) = 8;  // a radius of 1024 units
    parser.m_fViewPosition[0] = parser.m_fViewPosition[2] = 10000.0f;
    parser.m_fProjection[0] = 60.0f;
    TriangleObjects crates;
    ActorDesc& beyond = crates.Add(SVector(10000.0f, 0.0f, 14000.0f), 0x1);  // ahead, past the radius
    const int cell = 39 + 256 * 54;
    parser.m_pWorld->AddToList(&beyond, 0, 39, 54);
    for (uint8_t all : {0, 1}) {
        SD3D6Parser::s_byDrawAllObjects = all;
        parser.UpdateVisibleCells();
        const auto* cells = reinterpret_cast<const uint16_t*>(parser.m_Buffers.Data(SOutdoorBuffers::kObjectCells));
        const int count = parser.m_Buffers.Count(SOutdoorBuffers::kObjectCells);
        EXPECT_EQ(std::count(cells, cells + count, cell), all) << int(all);
        parser.ResetRenderQueues();
        parser.Hunt_QueueMapObjects();
        EXPECT_EQ(parser.m_Queues.OpaqueCount(), all) << int(all);
    }
    SD3D6Parser::s_byDrawAllObjects = 0;
    parser.m_pWorld->RemoveFromList(&beyond, 39, 54);
}

// However many cells hold objects, the draw-all switch lists them all: 1,200 occupied cells
// before it in cell order do not push out the object 600 units in front of the camera, and
// the cells listed before the list grew are still there after it.
TEST_F(RenderQueuesTest, DrawAllObjectsListsEveryOccupiedCell) {
    parser.m_pWorld = new SHuntWorld();
    parser.m_Buffers.SizeForSession();
    parser.m_LevelInfo.Field(1) = 8;
    parser.m_fViewPosition[0] = parser.m_fViewPosition[2] = 10000.0f;
    parser.m_fProjection[0] = 60.0f;
    ActorDesc unseen;  // its visibility bit is clear: listed, never queued
    for (int cell = 0; cell < 1200; ++cell) {
        parser.m_pWorld->AddToList(&unseen, 0, cell & 255, cell >> 8);
    }
    TriangleObjects crates;
    parser.m_pWorld->AddToList(&crates.Add(SVector(10000.0f, 0.0f, 10600.0f), 0x1), 0, 39, 41);
    SD3D6Parser::s_byDrawAllObjects = 1;
    parser.UpdateVisibleCells();
    std::vector<uint16_t> listed(1200);
    std::iota(listed.begin(), listed.end(), uint16_t{0});
    listed.push_back(39 + 256 * 41);
    const auto* cells = reinterpret_cast<const uint16_t*>(parser.m_Buffers.Data(SOutdoorBuffers::kObjectCells));
    EXPECT_EQ(std::vector<uint16_t>(cells, cells + parser.m_Buffers.Count(SOutdoorBuffers::kObjectCells)), listed);
    parser.ResetRenderQueues();
    parser.Hunt_QueueMapObjects();
    EXPECT_EQ(parser.m_Queues.OpaqueCount(), 1u);
    SD3D6Parser::s_byDrawAllObjects = 0;
}
