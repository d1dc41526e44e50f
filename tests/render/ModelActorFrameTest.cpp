// A model actor placed in the outdoor world reaches the picture: the range board of the Home
// folder, stood in front of the camera, adds its triangles to the frame and covers the pixels
// behind it, unless its frame hides its group or it stands behind the camera.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "render/SD3D6Parser.h"
#include "render/parser/SParser.h"
#include "tests/render/DemoOutdoorSession.h"
#include "tests/render/RenderTestSupport.h"

namespace {

const std::string kHome = std::string(TARVEX_TEST_BINARY_DIR) + "/../Home";

uint16_t PixelAt(sys::video::IDirectDrawSurface4* surface, int x, int y) {
    sys::video::DDSURFACEDESC2 desc;
    surface->Lock(nullptr, &desc, sys::video::DDLOCK_WAIT, nullptr);
    const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + static_cast<ptrdiff_t>(y) * desc.lPitch;
    const uint16_t pixel = reinterpret_cast<const uint16_t*>(row)[x];
    surface->Unlock(nullptr);
    return pixel;
}

class ModelActorFrameTest : public tarvex::test::RenderDisplayTest {};

TEST_F(ModelActorFrameTest, ABoardInViewIsDrawn) {
    tarvex::demo::DemoOutdoor demo;
    ASSERT_EQ(demo.Open(kHome, true), 1);
    demo.parser.SetProjection(60.0f, 60.0f, 1.0f, static_cast<float>(demo.parser.m_LevelInfo.Field(5)));
    std::unique_ptr<SSMHandle> board(demo.parser.LoadModels((kHome + "/Models/Range/target.ssm").c_str()));
    ASSERT_NE(board, nullptr);
    SSMObject* model = board->GetModel();
    ASSERT_NE(model, nullptr);
    ASSERT_FALSE(model->m_frames.empty());
    ASSERT_FALSE(board->m_groupStates.empty());
    ASSERT_GE(board->m_groupStates[0].textureSlot, 0);

    // The board, 8 units a model unit (8 wide, 16 high), stands 80 units ahead of a level
    // camera along +z, which looks at the middle of it.
    const float x = 30000.0f, z = 30000.0f;
    const float ground = static_cast<float>(demo.parser.GetTerrainHeight(x, z + 80.0f));
    ActorDesc desc;
    desc.m_pModel = board.get();
    desc.m_dwFlags = 1;
    desc.m_fScale = 8.0f;
    desc.m_vPosition = SVector(x, ground, z + 80.0f);
    struct Case {
        const char* name;
        uint8_t shownInFrame;
        float yaw;  // of the camera
        int triangles;
    };
    const float pi = 3.14159265f;
    const Case cases[] = {
        {"in view", 1, 0.0f, 4},
        {"hidden by its frame", 0, 0.0f, 0},
        {"behind the camera", 1, pi, 0},
    };
    for (const Case& c : cases) {
        model->m_frames[0]->groupBytes.assign(model->m_groups.size(), c.shownInFrame);
        demo.Frame(x, ground + 8.0f, z, 0.0f, c.yaw);
        const int bare = SD3D6Parser::s_FrameStats.iOpaqueTriangles;
        const uint16_t behind = PixelAt(demo.Target(), 320, 240);
        ASSERT_NE(demo.parser.AddObject(&desc, 0, x, z + 80.0f), nullptr);
        demo.Frame(x, ground + 8.0f, z, 0.0f, c.yaw);
        EXPECT_EQ(SD3D6Parser::s_FrameStats.iOpaqueTriangles - bare, c.triangles) << c.name;
        EXPECT_EQ(PixelAt(demo.Target(), 320, 240) != behind, c.triangles > 0) << c.name;
        demo.parser.RemoveObject(&desc, x, z + 80.0f);
    }
}

}  // namespace
