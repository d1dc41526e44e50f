// Sprites stored and read back: the byte layout of the sprite record and its first frame
// record, reading an archive file into a surface of the sprite's own or into one it is handed,
// a damaged file that must leave the frames as they were, and cloning.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "ui/SSprite.h"

namespace {

constexpr uint32_t G = 0x00FF00;
constexpr uint32_t B = 0x0000FF;

class SpriteArchiveTest : public tarvex::test::UiDisplayTest {
protected:
    void SetUp() override {
        UiDisplayTest::SetUp();
        folder = tarvex::test::MakeScratchFolder("ui");
        tarvex::test::WriteIndexedBmp(folder + "/a.bmp", 4, 3, {1, 2, 0, 3, 2, 2, 2, 2, 4, 0, 0, 4});
        tarvex::test::WriteIndexedBmp(folder + "/b.bmp", 2, 2, {3, 3, 3, 4});

        original.SetName("gun");
        original.SetPosition(5, 6);
        original.SetDepth(7);
        original.SetExtraValue(9);
        original.SetDirectory(folder.c_str());
        auto* a = new SFrame;
        a->SetFileName("a.bmp");
        a->SetFrameRect(sys::RECT{0, 0, 4, 3});
        a->SetHotSpot(1, 2);
        a->SetRegionRect(sys::RECT{1, 1, 3, 2});
        auto* b = new SFrame;
        b->SetFileName("b.bmp");
        b->SetFrameRect(sys::RECT{0, 0, 2, 2});
        b->SetSuffix("_lo");
        original.InsertFrame(a, -1);
        original.InsertFrame(b, -1);
        // Frames are stored with their folder-free names; the archive is read back from there.
        path = folder + "/gun.spr";
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        original.Serialize(ar);
        ar.Close();
        file.Close();
    }

    std::vector<uint8_t> FileBytes() {
        CFile file(path.c_str(), CFile::modeRead);
        std::vector<uint8_t> bytes(static_cast<size_t>(file.GetLength()));
        file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
        return bytes;
    }

    std::string folder;
    std::string path;
    SSprite original;
};

TEST_F(SpriteArchiveTest, RecordsKeepTheirByteLayout) {
    const std::vector<uint8_t> expected = {
        1, 0, 0, 0,                       // resource schema word
        3, 'g', 'u', 'n',                 // name
        5, 0, 0, 0, 6, 0, 0, 0, 7, 0, 0, 0,  // x, y, depth
        4, 0, 0, 0, 5, 0, 0, 0,           // width sum, height sum
        0, 8, 0, 0,                       // surface caps 0x800
        9, 0, 0, 0, 0, 0, 0, 0,           // extra value, double size
        2, 0,                             // frame count
        0xFF, 0xFF, 3, 0, 6, 0, 'S', 'F', 'r', 'a', 'm', 'e',  // new class, schema 3
        1, 0, 0, 0, 5, 'a', '.', 'b', 'm', 'p', 0, 0, 0, 0,     // schema word, file, value
        0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 0,         // frame rectangle
        1, 0, 0, 0, 2, 0, 0, 0,                                 // hot spot
        1, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0,         // region
        0, 0, 0, 0, 0,                                          // double flag, empty suffix
        0x01, 0x80,                                             // second frame: class 1
    };
    const std::vector<uint8_t> bytes = FileBytes();
    ASSERT_GE(bytes.size(), expected.size());
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(expected.size())), expected);
}

TEST_F(SpriteArchiveTest, LoadFileReadsTheFramesAndDrawsThem) {
    SSprite loaded;
    loaded.SetContextValue(42);
    // The archive holds no folder: a missing picture leaves its area blank and is no failure.
    ASSERT_EQ(loaded.LoadFile(path.c_str(), &draw), 1);
    loaded.SetDirectory(folder.c_str());
    ASSERT_EQ(loaded.RebuildSurface(&draw), 1);
    EXPECT_EQ(loaded.GetName(), CString("gun"));
    EXPECT_EQ(loaded.GetX(), 5);
    EXPECT_EQ(loaded.GetDepth(), 7);
    EXPECT_EQ(loaded.GetExtraValue(), 9u);
    ASSERT_EQ(loaded.GetFrameCount(), 2);
    EXPECT_EQ(loaded.GetFrame(0)->GetHotSpot(), (sys::POINT{1, 2}));
    EXPECT_EQ(loaded.GetFrame(0)->GetRegionRect(), (sys::RECT{1, 1, 3, 2}));
    EXPECT_EQ(loaded.GetFrame(1)->GetSuffix(), CString("_lo"));
    EXPECT_EQ(loaded.GetFrame(1)->GetContextValue(), 42u);
    EXPECT_EQ(ReadRow(*loaded.GetSurface(), 4, 0, 2), (std::vector<uint32_t>{G, B}));
}

TEST_F(SpriteArchiveTest, LoadIntoSurfaceDrawsIntoABorrowedSurface) {
    SDXSurface shared;
    MakeSurface(shared, 8, 8);
    {
        SSprite loaded;
        loaded.SetDirectory(folder.c_str());
        // A sprite read from its archive keeps the directory it had; the frames come from it.
        ASSERT_EQ(loaded.LoadIntoSurface(path.c_str(), &shared), 1);
        EXPECT_EQ(loaded.IsLoaded(), 0);
        EXPECT_EQ(loaded.DropSurface(), 1);
        EXPECT_EQ(loaded.GetSurface(), &shared);
    }
    ASSERT_NE(shared.GetSurface(), nullptr);
    EXPECT_EQ(ReadRow(shared, 4, 0, 2), (std::vector<uint32_t>{G, B}));
}

TEST_F(SpriteArchiveTest, ADamagedFileLeavesTheFramesAsTheyWere) {
    std::vector<uint8_t> bytes = FileBytes();
    bytes.resize(bytes.size() - 3);
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        file.Write(bytes.data(), static_cast<unsigned>(bytes.size()));
        file.Close();
    }
    SSprite kept;
    auto* only = new SFrame;
    only->SetFileName("b.bmp");
    kept.InsertFrame(only, -1);
    EXPECT_EQ(kept.LoadFile(path.c_str(), &draw), 0);
    ASSERT_EQ(kept.GetFrameCount(), 1);
    EXPECT_EQ(kept.GetFrame(0), only);
}

// A frame stored as a reference to one read before would be deleted twice, and coordinates
// far beyond any picture would overflow the sums of drawing: such files are refused and leave
// the sprite as it was. Coordinates up to the limit still read.
TEST_F(SpriteArchiveTest, FilesThatWouldBreakTheSpriteAreRefused) {
    auto rewrite = [&](const std::vector<uint8_t>& bytes) {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        file.Write(bytes.data(), static_cast<unsigned>(bytes.size()));
        file.Close();
    };
    auto store = [&](SSprite& sprite) {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        sprite.Serialize(ar);
        ar.Close();
        file.Close();
    };
    constexpr int kMax = SFrame::kMaxCoordinate;
    struct Case {
        const char* what;
        int x;
        int hotX;
        bool twice;
        int loads;
    } const cases[] = {
        {"the second frame refers to the first", 5, 1, true, 0},
        {"the position is past the limit", kMax + 1, 1, false, 0},
        {"a hot spot is past the limit", 5, -kMax - 1, false, 0},
        {"everything is at the limit", -kMax, kMax, false, 1},
    };
    for (const Case& c : cases) {
        original.SetPosition(c.x, 6);
        original.GetFrame(0)->SetHotSpot(c.hotX, 0);
        store(original);
        if (c.twice) {
            // The second frame's record (the frame class's tag 0x8001) becomes object 2, the first frame.
            std::vector<uint8_t> bytes = FileBytes();
            size_t at = 54;
            while (at + 1 < bytes.size() && !(bytes[at] == 0x01 && bytes[at + 1] == 0x80))
                ++at;
            ASSERT_LT(at + 1, bytes.size());
            bytes.resize(at);
            bytes.insert(bytes.end(), {0x02, 0x00});
            rewrite(bytes);
        }
        SSprite kept;
        auto* only = new SFrame;
        kept.InsertFrame(only, -1);
        EXPECT_EQ(kept.LoadFile(path.c_str(), &draw), c.loads) << c.what;
        if (c.loads == 0) {
            ASSERT_EQ(kept.GetFrameCount(), 1) << c.what;
            EXPECT_EQ(kept.GetFrame(0), only) << c.what;
            EXPECT_EQ(kept.GetX(), 0) << c.what;
        } else {
            EXPECT_EQ(kept.GetX(), -kMax);
            EXPECT_EQ(kept.GetFrame(0)->GetHotSpot(), (sys::POINT{kMax, 0}));
        }
    }
}

TEST_F(SpriteArchiveTest, ClonesCopyFramesButNoSurface) {
    ASSERT_TRUE(original.LoadFromFile(folder.c_str(), reinterpret_cast<uintptr_t>(&draw)));
    std::unique_ptr<SResource> copy(original.Clone(nullptr));
    auto* sprite = dynamic_cast<SSprite*>(copy.get());
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->GetSurface(), nullptr);
    EXPECT_EQ(sprite->GetName(), CString("gun"));
    EXPECT_EQ(sprite->GetHeightSum(), 5u);
    ASSERT_EQ(sprite->GetFrameCount(), 2);
    EXPECT_NE(sprite->GetFrame(0), original.GetFrame(0));
    EXPECT_EQ(sprite->GetFrame(0)->GetRegionRect(), (sys::RECT{1, 1, 3, 2}));
    EXPECT_EQ(sprite->GetFrame(1)->GetFrameRect(), (sys::RECT{0, 3, 2, 5}));
}

}  // namespace
