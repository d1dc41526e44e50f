// Scene nodes drawn in the demo worlds: point nodes of every shape, children on a tag and on a
// triangle, an instance hung on its own tag, a bullet hole on the range, text written into a
// texture and the lowest texture quality, each compared with a reference image (regenerated
// with --update-references); the queued corners of point shapes are worked by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "assets/math/Matrix16f.h"
#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "render/SD3D6Parser.h"
#include "render/queues/SPolygonRecord.h"
#include "render/texture/SD3D6Lock.h"
#include "tests/assets/models/ModelSamples.h"
#include "tests/render/DemoOutdoorSession.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/ReferenceImage.h"
#include "ui/SSurfaceDC.h"

namespace {

const std::string kHome = std::string(TARVEX_TEST_BINARY_DIR) + "/../Home";
constexpr float kCameraX = 26000.0f, kCameraZ = 34000.0f;  // on flat ground

class SceneNodeFrameTest : public tarvex::test::RenderDisplayTest {
protected:
    void Open(const char* map = "Outdoor.gmx", int quality = 1) {
        ASSERT_EQ(demo.Open(kHome, true, map, quality), 1);
        demo.parser.SetProjection(60.0f, 60.0f, 1.0f, static_cast<float>(demo.parser.m_LevelInfo.Field(5)));
        ground = static_cast<float>(demo.parser.GetTerrainHeight(kCameraX, kCameraZ));
    }
    // Looking along +z from above the ground at the camera point.
    void Frame() { demo.Frame(kCameraX, ground + 40.0f, kCameraZ, 0.0f, 0.0f); }
    int16_t Texture(const char* name) { return demo.parser.FindTexture(name, 0, 1); }
    // A texture drawn from both faces, as one for shapes seen from either side says.
    int16_t TwoSided(const char* name) {
        const int16_t index = Texture(name);
        if (index >= 0) {
            demo.parser.m_TextureItems[index]->m_pTexture->m_States.dwCullMode = 1;
        }
        return index;
    }
    // The demo's tree texture, sorted with the translucent shapes (its alpha test keeps it
    // drawing the same), since the demo has no blended texture of its own.
    int16_t ClearTexture() {
        const int16_t index = Texture("file;Textures\\Outdoor\\pine.stx");
        if (index >= 0) {
            demo.parser.m_TextureItems[index]->m_pTexture->m_dwSortType = 1;
        }
        return index;
    }
    // Lists a node in the cell of its position so the frame draws it.
    void Place(ActorDesc& node) {
        node.m_dwFlags |= 1;
        demo.parser.AddObject(&node, 0, node.m_vPosition.x, node.m_vPosition.z);
    }
    // One big quad of a texture straight ahead of the camera of Frame, listed for drawing.
    ActorDesc FacingQuad(int16_t texture, SScenePoint& point) {
        ActorDesc node;
        node.m_nKind = 1;
        node.m_nModelIndex = texture;
        node.m_pPoints = &point;
        node.m_nPointCount = 1;
        node.m_dwDiffuse = 0xFFFFFFFF;
        node.m_vPosition = SVector(kCameraX, ground + 40.0f, kCameraZ + 60.0f);
        node.m_vAngles = SVector(0.0f, 3.14159265f, 0.0f);  // its face toward the camera
        return node;
    }
    bool Matches(const char* name) {
        return tarvex::test::MatchesReference(Capture(demo.Target()), std::string("render/") + name, 6, 3000);
    }
    // The record of one node drawn alone from the origin, looking along +z.
    SObjectFrameRecord Record(ActorDesc* node) {
        demo.parser.ResetRenderQueues();
        demo.parser.SetViewPosition(0.0f, 0.0f, 0.0f);
        demo.parser.SetViewAngles(0.0f, 0.0f, 0.0f);
        return demo.parser.MakeFrameRecord(node, 1.0f);
    }
    tarvex::demo::DemoOutdoor demo;
    float ground = 0.0f;
};

TEST_F(SceneNodeFrameTest, PointShapesAreQueuedWhereTheirRecordsPlaceThem) {
    Open();
    const int16_t opaque = Texture("file;Textures\\Outdoor\\sand.stx");
    const int16_t clear = ClearTexture();
    ASSERT_GE(opaque, 0);
    ASSERT_GE(clear, 0);
    ASSERT_EQ(demo.parser.TextureRecord(opaque)->m_dwSortType, 0u);
    ASSERT_EQ(demo.parser.TextureRecord(clear)->m_dwSortType, 1u);

    // A quad turned a quarter about z: corner (1, 1) goes to (-1, 1), times size 2, about the
    // point (1, 2, 3) moved by the node to (11, 2, 3).
    SScenePoint point{1, 2, 3, 2};
    ActorDesc node;
    node.m_nKind = 1;
    node.m_dwFlags = 1;
    node.m_nModelIndex = opaque;
    node.m_pPoints = &point;
    node.m_nPointCount = 1;
    node.m_vPosition = SVector(10, 0, 0);
    node.m_vAngles = SVector(0, 0, 1.5707963f);
    node.m_dwDiffuse = 0xFF808080;
    SObjectFrameRecord record = Record(&node);
    demo.parser.RenderModelHierarchy(record);
    ASSERT_EQ(demo.parser.m_Queues.OpaqueCount(), 1u);
    const SOpaqueEntry& entry = demo.parser.m_Queues.Opaque(0);
    EXPECT_EQ(entry.iKind, 2);
    EXPECT_EQ(entry.pair.iSecond, 1);
    const SQueueVertex* v = demo.parser.m_Queues.PoolVertices() + entry.pair.iFirst;
    const float corners[4][3] = {{9, 4, 3}, {13, 4, 3}, {9, 0, 3}, {13, 0, 3}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(v[i].x, corners[i][0], 1e-4) << i;
        EXPECT_NEAR(v[i].y, corners[i][1], 1e-4) << i;
        EXPECT_NEAR(v[i].z, corners[i][2], 1e-4) << i;
        EXPECT_EQ(v[i].dwColour, 0xFF808080u);
    }
    EXPECT_FLOAT_EQ(v[1].fTexCoord[1], 0.995f);

    // A sprite faces the camera's yaw: with yaw 0 its bottom runs from x + s, its top reaches
    // 2 s up; keyed at (x, y + s, z), minus its depth 3 along +z from the origin.
    node.m_nSubKind = 2;
    node.m_nModelIndex = clear;
    record = Record(&node);
    demo.parser.RenderModelHierarchy(record);
    ASSERT_EQ(demo.parser.m_Queues.DepthCount(), 1u);
    const SDepthEntry& sprite = demo.parser.m_Queues.Depth(0);
    EXPECT_EQ(sprite.iKind, 0);
    EXPECT_NEAR(sprite.fKey, -3.0f, 1e-4);
    const auto* s = static_cast<const SSpriteRecord*>(sprite.pPointer);
    EXPECT_NEAR(s->fBottom[0], 13.0f, 1e-4);
    EXPECT_NEAR(s->fTop[1], 6.0f, 1e-4);

    // A line in a translucent texture is keyed at its middle; an opaque sprite queues nothing.
    SSceneLine line{{0, 0, 0}, 0xFFFF0000, {0, 0, 8}, 0xFF00FF00};
    node.m_nSubKind = 3;
    node.m_pPoints = &line;
    record = Record(&node);
    demo.parser.RenderModelHierarchy(record);
    ASSERT_EQ(demo.parser.m_Queues.DepthCount(), 1u);
    EXPECT_NEAR(demo.parser.m_Queues.Depth(0).fKey, -4.0f, 1e-4);
    node.m_nSubKind = 2;
    node.m_nModelIndex = opaque;
    node.m_pPoints = &point;
    record = Record(&node);
    demo.parser.RenderModelHierarchy(record);
    EXPECT_EQ(demo.parser.m_Queues.OpaqueCount() + demo.parser.m_Queues.DepthCount(), 0u);
}

TEST_F(SceneNodeFrameTest, EveryPointShapeAndEveryWayOfHangingAChild) {
    Open();
    const int16_t opaque = TwoSided("file;Textures\\Outdoor\\sand.stx");
    const int16_t clear = ClearTexture();
    const int16_t grass = TwoSided("file;Textures\\Outdoor\\dirt.stx");
    ASSERT_GE(opaque, 0);
    ASSERT_GE(clear, 0);
    ASSERT_GE(grass, 0);
    // Lines are drawn by a texture drawn as lines.
    const int16_t wire = Texture("file;Textures\\Outdoor\\meadow.stx");
    ASSERT_GE(wire, 0);
    demo.parser.m_TextureItems[wire]->m_pTexture->m_States.iWireFrame = 1;
    const float y = ground + 20.0f, z = kCameraZ + 200.0f;

    // Point shapes along a row, from left to right: sub-kinds 0 to 5.
    SScenePoint quad{0, 0, 0, 8};
    SScenePoint sprite{0, -8, 0, 8};
    SSceneLine lines[2] = {{{-6, -10, 0}, 0xFFFF0000, {-6, 10, 0}, 0xFF00FF00},
                           {{6, -10, 0}, 0xFF0000FF, {6, 10, 0}, 0xFFFFFF00}};
    SSceneQuad turned{{0.0f, 0.8f, 0.4f}, {0, 0, 0}, 8};
    std::vector<STileVertex> meshVertices(4);
    const float square[4][2] = {{-8, -8}, {8, -8}, {-8, 8}, {8, 8}};
    for (int i = 0; i < 4; ++i) {
        STileVertex& vertex = meshVertices[static_cast<size_t>(i)];
        vertex.x = kCameraX + 60.0f + square[i][0];
        vertex.y = y + square[i][1];
        vertex.z = z;
        vertex.fNormal[1] = 1.0f;
        vertex.dwColour = 0xFFFFFFFF;
        vertex.fTexCoord[0] = vertex.fTexCoord[2] = square[i][0] > 0 ? 1.0f : 0.0f;
        vertex.fTexCoord[1] = vertex.fTexCoord[3] = square[i][1] > 0 ? 0.0f : 1.0f;
    }
    std::vector<uint16_t> meshIndices = {0, 2, 1, 1, 2, 3};
    SPolygonRecord mesh;
    mesh.m_nTriangleCount = 2;
    mesh.m_pVertices = meshVertices.data();
    mesh.m_pIndices = meshIndices.data();
    void* const data[6] = {&quad, &quad, &sprite, lines, &mesh, &turned};
    const int16_t counts[6] = {1, 1, 1, 2, 1, 1};
    ActorDesc nodes[6];
    for (int k = 0; k < 6; ++k) {
        ActorDesc& node = nodes[k];
        node.m_nKind = 1;
        node.m_nSubKind = static_cast<int16_t>(k);
        node.m_nModelIndex = k == 2 ? clear : k == 3 ? wire : opaque;
        node.m_pPoints = data[k];
        node.m_nPointCount = counts[k];
        node.m_dwDiffuse = 0xFFFFFFFF;
        node.m_vPosition = k == 4 ? SVector() : SVector(kCameraX - 100.0f + 40.0f * static_cast<float>(k), y, z);
        node.m_vAngles = SVector(0.0f, 0.5f, 0.0f);
        Place(node);
    }
    // The mesh lies in world space; it is listed in the cell it lies in.
    demo.parser.RemoveObject(&nodes[4], 0.0, 0.0);
    demo.parser.AddObject(&nodes[4], 0, kCameraX + 60.0f, z);

    // A parent of two triangles: group 0 is drawn, group 1 a marker whose tag runs up from
    // (0, 0, 0) to (0, 20, 0). Its children: one on the tag's middle, one on triangle 0.
    auto model = tarvex::test::MakeTriangleModel(
        {{{{-20, 0, 0}, {20, 0, 0}, {-20, 30, 0}}, 0}, {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, 1}}, 2);
    model->m_groups[1]->flags |= kGroupSingleMarker;
    model->m_frames[0]->groupBytes.assign(2, 1);
    const float uv[3][2] = {{0, 1}, {1, 1}, {0, 0}};
    for (int k = 0; k < 3; ++k) {
        model->m_triangles[0].uv[k].u = uv[k][0];
        model->m_triangles[0].uv[k].v = uv[k][1];
    }
    SSMGroupFrame& tag = model->m_frames[0]->groupFrames[1];
    tag.end[1] = 20.0f;
    tag.length = 1.0f;
    MatrixIdentity(tag.matrix.m);
    SSMFrame& frame = *model->m_frames[0];
    frame.boxA.Reset();
    for (size_t i = 0; i < frame.positions.size() / 3; ++i) {
        frame.boxA.AddPoint(&frame.positions[i * 3]);
    }
    auto drawn = [&](SSMHandle* handle, int16_t texture) {
        handle->m_groupStates[0].flags |= 0x2;
        handle->m_groupStates[0].textureSlot = texture;
        return handle;
    };
    std::unique_ptr<SSMHandle> parentHandle(drawn(model->CreateHandle(), opaque));
    std::unique_ptr<SSMHandle> onTag(drawn(model->CreateHandle(), grass));
    std::unique_ptr<SSMHandle> onTriangle(drawn(model->CreateHandle(), grass));
    std::unique_ptr<SSMHandle> hung(drawn(model->CreateHandle(), grass));
    ActorDesc tagChild, triangleChild;
    tagChild.m_pModel = onTag.get();
    tagChild.m_dwFlags = 1;
    tagChild.m_nTagIndex = 1;
    tagChild.m_fBlendWeight = 0.5f;
    tagChild.m_fScale = 0.3f;
    triangleChild.m_pModel = onTriangle.get();
    triangleChild.m_dwFlags = 1;
    triangleChild.m_nTriangleIndex = 0;
    triangleChild.m_fTriangleU = 0.5f;
    triangleChild.m_fTriangleV = 0.25f;
    triangleChild.m_fScale = 0.3f;
    ActorDesc* children[2] = {&tagChild, &triangleChild};
    ActorDesc parent;
    parent.m_pModel = parentHandle.get();
    parent.m_vPosition = SVector(kCameraX - 50.0f, ground + 50.0f, z + 20.0f);
    parent.m_nChildCount = 2;
    parent.m_ppChildren = children;
    Place(parent);
    // An instance hung on its own tag: carried up by the tag's (0, 0, 0), base scale 1.
    hung->m_nCurGroup = 1;
    ActorDesc attached;
    attached.m_pModel = hung.get();
    attached.m_vPosition = SVector(kCameraX + 50.0f, ground + 50.0f, z + 20.0f);
    attached.m_vAngles = SVector(0.0f, 0.0f, 0.3f);
    Place(attached);

    Frame();
    EXPECT_TRUE(Matches("scene_nodes.png"));
    EXPECT_EQ(parentHandle->m_groupStates[0].flags & 0x4000, 0x4000u);
    EXPECT_EQ(onTag->m_groupStates[0].flags & 0x4000, 0x4000u);
    EXPECT_EQ(onTriangle->m_groupStates[0].flags & 0x4000, 0x4000u);
    EXPECT_EQ(hung->m_groupStates[0].flags & 0x4000, 0x4000u);
    for (ActorDesc* node : {&nodes[0], &nodes[1], &nodes[2], &nodes[3], &nodes[5], &parent, &attached}) {
        demo.parser.RemoveObject(node, node->m_vPosition.x, node->m_vPosition.z);
    }
    demo.parser.RemoveObject(&nodes[4], kCameraX + 60.0f, z);
}

TEST_F(SceneNodeFrameTest, ABulletHoleOnTheRangeIsDrawn) {
    Open("targetrange.gmx");
    const int16_t hole = Texture("file;Models\\Range\\bullethole.stx");
    ASSERT_GE(hole, 0);
    ActorDesc mark;
    mark.m_nModelIndex = hole;
    mark.m_vPosition = SVector(kCameraX, ground, kCameraZ + 12.0f);
    mark.m_fScale = 0.25f;
    ASSERT_EQ(demo.parser.PlaceDecal(mark, 0, 0xFFFFFFFFu, 0xFFFFFFFFu), 0);
    demo.Frame(kCameraX, ground + 8.0f, kCameraZ, -0.55f, 0.0f);
    EXPECT_TRUE(Matches("range_bullet_hole.png"));
    // The decal went to the opaque queue as its polygon record, unless its texture is clear.
    bool queued = false;
    for (size_t i = 0; i < demo.parser.m_Queues.OpaqueCount(); ++i) {
        queued = queued || demo.parser.m_Queues.Opaque(i).iKind == 4;
    }
    for (size_t i = 0; i < demo.parser.m_Queues.DepthCount(); ++i) {
        queued = queued || demo.parser.m_Queues.Depth(i).iTexture == hole;
    }
    EXPECT_TRUE(queued);
}

TEST_F(SceneNodeFrameTest, TextWrittenIntoATextureIsSeen) {
    Open();
    const int16_t sand = TwoSided("file;Textures\\Outdoor\\sand.stx");
    ASSERT_GE(sand, 0);
    SGdiFont font(24, "Arial");
    EXPECT_EQ(demo.parser.DrawTextToTexture(sand, 0.5f, 0.75f, "TARVEX", &font), 1);
    EXPECT_EQ(demo.parser.DrawTextToTexture(-1, 0.5f, 0.75f, "TARVEX", &font), 0);
    EXPECT_EQ(demo.parser.DrawTextToTexture(sand, 0.5f, 0.75f, "TARVEX", nullptr), 0);
    // The texture on one big quad straight ahead.
    SScenePoint point{0, 0, 0, 30};
    ActorDesc node = FacingQuad(sand, point);
    Place(node);
    Frame();
    const tarvex::test::Image image = Capture(demo.Target());
    int green = 0;
    for (uint32_t pixel : image.pixels) {
        green += ((pixel >> 8) & 0xFF) > 200 && (pixel >> 16) < 80 && (pixel & 0xFF) < 80 ? 1 : 0;
    }
    EXPECT_GT(green, 50);
    EXPECT_TRUE(Matches("texture_text.png"));
    demo.parser.RemoveObject(&node, node.m_vPosition.x, node.m_vPosition.z);
}

TEST_F(SceneNodeFrameTest, LowTextureQualityHalvesTheTextures) {
    std::vector<int> full;
    {
        tarvex::demo::DemoOutdoor other;
        ASSERT_EQ(other.Open(kHome, true, "Outdoor.gmx", 1), 1);
        for (int i = 0; i < other.parser.m_TextureItems.GetSize(); ++i) {
            full.push_back(other.parser.TextureRecord(static_cast<int16_t>(i))->GetWidth());
        }
        other.parser.EndSession(0);
    }
    Open("Outdoor.gmx", 0);
    ASSERT_EQ(static_cast<int>(full.size()), demo.parser.m_TextureItems.GetSize());
    int halved = 0;
    for (int i = 0; i < demo.parser.m_TextureItems.GetSize(); ++i) {
        const SD3D6Lock* record = demo.parser.TextureRecord(static_cast<int16_t>(i));
        halved += record->GetWidth() * 2 == full[static_cast<size_t>(i)] ? 1 : 0;
        EXPECT_EQ(record->m_bReduce, 1);
    }
    EXPECT_EQ(halved, static_cast<int>(full.size()));
    // The sand of the text frame, its texels twice as large.
    SScenePoint point{0, 0, 0, 30};
    ActorDesc node = FacingQuad(TwoSided("file;Textures\\Outdoor\\sand.stx"), point);
    Place(node);
    Frame();
    EXPECT_TRUE(Matches("outdoor_low_quality.png"));
    demo.parser.RemoveObject(&node, node.m_vPosition.x, node.m_vPosition.z);
}

}  // namespace
