// The scene parser's own operations: screen rays, the value table, map-object submission,
// handler look-ups, object matrices, point transforms and the path helpers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>

#include "core/SResource.h"
#include "render/SD3D6Parser.h"

namespace {

// Catches what the parser hands to the operations its own bodies call.
class ProbeParser : public SD3D6Parser {
public:
    int PlaceDecal(ActorDesc desc, uint32_t a, uint32_t b, uint32_t c) override {
        placed = desc;
        args[0] = a;
        args[1] = b;
        args[2] = c;
        return 1;
    }
    SSMHandle* LoadModels(const char* path) override {
        loadedPath = path != nullptr ? path : "(null)";
        ++loads;
        return nullptr;
    }
    ActorDesc placed;
    uint32_t args[3] = {};
    std::string loadedPath;
    int loads = 0;
};

// The table slot of a virtual operation as the compiler lays it out: a pointer to a virtual
// member holds 1 + its byte offset in the table. The destructor takes two entries (complete
// and deleting), so an operation in interface slot n >= 2 sits in entry n + 1.
template <class F>
std::ptrdiff_t TableEntry(F member) {
    std::ptrdiff_t raw = 0;
    std::memcpy(&raw, &member, sizeof(raw));
    return (raw - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(ParserInterface, OperationsKeepTheLibrarysSlots) {
    EXPECT_EQ(TableEntry(&SParser::Create), 3 + 1);
    EXPECT_EQ(TableEntry(&SParser::InitSession), 8 + 1);
    EXPECT_EQ(TableEntry(&SParser::BeginFrame), 16 + 1);
    EXPECT_EQ(TableEntry(&SParser::SetViewRects), 28 + 1);
    EXPECT_EQ(TableEntry(&SParser::ScreenToDirection), 39 + 1);
    EXPECT_EQ(TableEntry(&SParser::SubmitMapObject), 79 + 1);
    EXPECT_EQ(TableEntry(&SParser::HitTest), 89 + 1);
    EXPECT_EQ(TableEntry(&SParser::SetCallback4), 100 + 1);
    EXPECT_EQ(TableEntry(&SParser::ClearModelOutputs), 110 + 1);
    EXPECT_EQ(TableEntry(&SD3D6Parser::SupportsTextureFormat), 111 + 1);
}

TEST(ParserScreenRays, CentreLooksAheadAndTheEdgeIsOneHalfWidthOut) {
    SD3D6Parser parser;
    parser.SetProjection(90.0f, 90.0f, 1.0f, 100.0f);  // tan(45) = 1
    parser.SetViewRects(0, 0, 640, 480, 0, 0, 640, 480);
    sys::POINT centre{320, 240};
    SVector d;
    ASSERT_EQ(parser.ScreenToDirection(&centre, &d), 1);
    EXPECT_NEAR(d.x, 0.0f, 1e-6f);
    EXPECT_NEAR(d.y, 0.0f, 1e-6f);
    EXPECT_NEAR(d.z, 1.0f, 1e-6f);
    // 320 pixels right of the centre: nx = 1, so (1, 0, 1) made unit; 240 up: ny = 0.75.
    sys::POINT edge{640, 0};
    parser.ScreenToDirection(&edge, &d);
    const float len = std::sqrt(1.0f + 0.75f * 0.75f + 1.0f);
    EXPECT_NEAR(d.x, 1.0f / len, 1e-5f);
    EXPECT_NEAR(d.y, 0.75f / len, 1e-5f);
    EXPECT_NEAR(d.z, 1.0f / len, 1e-5f);

    // Turned by a yaw of 90 degrees the centre ray leaves the z axis for the x axis.
    parser.SetViewPosition(4, 5, 6);
    parser.SetViewAngles(0.0f, 1.5707964f, 0.0f);
    SVector origin;
    parser.ScreenToRay(&centre, &origin, &d);
    EXPECT_EQ(origin, SVector(4, 5, 6));
    EXPECT_NEAR(std::fabs(d.x), 1.0f, 1e-5f);
    EXPECT_NEAR(d.z, 0.0f, 1e-5f);
}

TEST(ParserTable, IndexesOutsideTheTableChangeNothing) {
    SD3D6Parser parser;
    parser.SetTableEntry(24, 1.5f, 7, 8);
    float f = 0;
    uint32_t a = 0, b = 0;
    parser.GetTableEntry(24, &f, &a, &b);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(a, 7u);
    EXPECT_EQ(b, 8u);
    parser.SetTableEntry(25, 9.0f, 9, 9);
    parser.SetTableEntry(-1, 9.0f, 9, 9);
    f = 0;
    a = b = 0;
    parser.GetTableEntry(25, &f, &a, &b);
    EXPECT_EQ(a, 0u);
    parser.GetTableEntry(24, &f, &a, &b);
    EXPECT_EQ(a, 7u);
}

TEST(ParserMapObjects, SubmissionBuildsAKindOneDescription) {
    ProbeParser parser;
    parser.SubmitMapObject(12, 100.0f, 200.0f, 0.5f, 3.0f, 0, 70, 80, 9, 10, 11);
    EXPECT_EQ(parser.placed.m_nKind, 1);
    EXPECT_EQ(parser.placed.m_nSubKind, 4);
    EXPECT_EQ(parser.placed.m_dwFlags, 1u);
    EXPECT_EQ(parser.placed.m_nModelIndex, 12);
    EXPECT_EQ(parser.placed.m_vPosition, SVector(100.0f, 0.0f, 200.0f));
    EXPECT_EQ(parser.placed.m_vAngles.x, 0.0f);
    EXPECT_EQ(parser.placed.m_vAngles.y, 0.5f);
    EXPECT_EQ(parser.placed.m_fScale, 3.0f);
    EXPECT_EQ(parser.placed.m_dwValue7, 70u);
    EXPECT_EQ(parser.placed.m_nExtraIndex, 9);
    EXPECT_EQ(parser.placed.m_nTagIndex, -1);
    EXPECT_EQ(parser.args[0], 4u);
    EXPECT_EQ(parser.args[2], 11u);
    parser.SubmitMapObject(1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0);
    EXPECT_EQ(parser.placed.m_vAngles.x, 3.14159274f);
}

TEST(ParserMapObjects, MissingHandlerStillLoadsWithAnEmptyPath) {
    ProbeParser parser;
    parser.LoadSSMModelsFromHandler("NoSuchHandler", "models.txt");
    EXPECT_EQ(parser.loads, 1);
    EXPECT_EQ(parser.loadedPath, "");
}

TEST(ParserMatrices, SelfPlacedObjectIsScaledThenMoved) {
    SD3D6Parser parser;
    ActorDesc desc;
    desc.m_nKind = 2;
    desc.m_fScale = 2.0f;
    desc.m_vPosition = SVector(1, 2, 3);
    SMatrix m;
    parser.BuildObjectMatrix(nullptr, &desc, &m, 1);
    SVector p(1, 0, 0);
    parser.TransformPoint(&p, m);
    EXPECT_EQ(p, SVector(3, 2, 3));
    // A kind the parser cannot place leaves the matrix as it was.
    desc.m_nKind = 1;
    SMatrix untouched;
    parser.BuildObjectMatrix(nullptr, &desc, &untouched, 1);
    EXPECT_EQ(untouched.m[3][0], 0.0f);
}

TEST(ParserPaths, FileNameAndDirectory) {
    EXPECT_STREQ(ParserFileName("Models\\Trees/oak.ssm").GetString(), "oak.ssm");
    EXPECT_STREQ(ParserFileName("oak.ssm").GetString(), "oak.ssm");
    EXPECT_STREQ(ParserDirectory("Models\\Trees/oak.ssm").GetString(), "Models\\Trees/");
    EXPECT_STREQ(ParserDirectory("oak.ssm").GetString(), "");
}

TEST(RendererItems, ModelAndTextureQueries) {
    SD3D6Parser parser;
    SResource resource;
    SParseModelItem unloaded, loaded, unnamed;
    unloaded.m_sName = "oak";
    loaded.m_sName = "oak";
    loaded.m_pResource = &resource;
    unnamed.m_pResource = &resource;
    parser.m_ModelItems.Add(&unloaded);
    parser.m_ModelItems.Add(&loaded);
    parser.m_ModelItems.Add(&unnamed);
    EXPECT_EQ(parser.FindModelItem("oak"), 1);
    EXPECT_EQ(parser.FindModelItem("OAK"), -1);
    EXPECT_EQ(parser.FindModelItem(nullptr), 2);
    EXPECT_EQ(parser.IsModelItemLoaded(0), 0);
    EXPECT_EQ(parser.IsModelItemLoaded(1), 1);
    EXPECT_EQ(parser.IsModelItemLoaded(3), 0);
    parser.m_ModelItems.RemoveAll();

    // Names are kept reversed; the query gives them back as looked up, cut to the buffer
    // without a terminator when they fill it.
    SD3D6TextureItem texture;
    texture.m_sName = "kao";
    parser.m_TextureItems.Add(&texture);
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(parser.GetTextureName(0, buffer, 2), 1);
    EXPECT_EQ(std::string(buffer, 4), "oaxx");
    EXPECT_EQ(parser.GetTextureName(1, buffer, 4), 0);
    EXPECT_EQ(parser.GetTexture(-1), nullptr);
    parser.m_TextureItems.RemoveAll();
}

TEST(ParserDefaults, DescriptionsAndCallbacks) {
    SD3D6Parser parser;
    const ActorDesc& d = parser.GetHitRecord()->m_Object;
    EXPECT_EQ(d.m_fScale, 1.0f);
    EXPECT_EQ(d.m_nModelIndex, -1);
    EXPECT_EQ(d.m_nTagIndex, -1);
    EXPECT_EQ(parser.m_strLastError, CString("No Error"));
    auto cb = +[](void*, uint8_t) -> ActorDesc* { return nullptr; };
    EXPECT_EQ(parser.SetCallback1(cb), cb);
    EXPECT_EQ(parser.m_pfnCallback1, cb);
    parser.BumpFrameCounter();
    EXPECT_EQ(parser.m_dwFrameCounter, 1u);
}

}  // namespace
