// ".bsp" files: their byte layout, a save and load that gives the same trees back, where the
// file lies, and damaged files that are discarded so the trees are built again.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/models/SSMObject.h"
#include "tests/assets/models/ModelSamples.h"
#include "tests/support/ScratchFolder.h"

namespace {

using Bytes = std::vector<uint8_t>;
using tarvex::test::TriangleSpec;

TriangleSpec Up(float height) {
    return {{{-1, -1, height}, {1, -1, height}, {0, 1, height}}, 0};
}

template <class T>
T At(const Bytes& bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

Bytes ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteWhole(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(BspFileTest, LayoutOfAOneTriangleGroup) {
    auto model = tarvex::test::MakeTriangleModel({Up(0)});
    tarvex::test::BuildTrees(*model);
    model->m_uModelValue = 0x01020304;
    model->m_transforms[1].m[15] = 2.0f;
    const Bytes bytes = model->WriteBSP();
    ASSERT_EQ(bytes.size(), 282u);
    EXPECT_EQ(bytes[0], 1);                         // built
    EXPECT_EQ(At<uint32_t>(bytes, 1), 3u);          // per-vertex block: 3 vertices
    EXPECT_EQ(At<uint32_t>(bytes, 5), 72u);         // of 24 bytes each
    EXPECT_EQ(At<float>(bytes, 9 + 24), 1.0f);      // vertex 1's x
    EXPECT_EQ(bytes[81], 1);                        // transform valid
    EXPECT_EQ(At<float>(bytes, 82 + 64 + 60), 2.0f);
    EXPECT_EQ(At<uint32_t>(bytes, 210), 0x01020304u);
    EXPECT_EQ(At<uint32_t>(bytes, 214), 1u);        // groups
    EXPECT_EQ(At<uint32_t>(bytes, 218), 0u);        // group index
    EXPECT_EQ(At<uint32_t>(bytes, 222), kGroupInBsp | kGroupHasBsp);
    EXPECT_EQ(At<int32_t>(bytes, 226), -1);         // the root names leaf 1
    EXPECT_EQ(At<uint32_t>(bytes, 230), 0u);        // no nodes
    EXPECT_EQ(At<uint32_t>(bytes, 234), 1u);        // one leaf past the placeholder
    EXPECT_EQ(At<int32_t>(bytes, 238), -1);         // its kind
    EXPECT_EQ(At<uint32_t>(bytes, 242), 0u);        // reserved
    EXPECT_EQ(At<int32_t>(bytes, 246), -1);         // its own index, negated
    EXPECT_EQ(At<float>(bytes, 250), -1.0f);        // box min x
    EXPECT_EQ(At<float>(bytes, 266), 1.0f);         // box max y
    EXPECT_EQ(At<uint32_t>(bytes, 274), 1u);        // triangles
    EXPECT_EQ(At<uint32_t>(bytes, 278), 0u);

    // Groups without trees carry only their index and flags.
    model->m_groups[0]->flags = kGroupInBsp;
    EXPECT_EQ(model->WriteBSP().size(), 226u);

    const char* paths[][2] = {
        {"C:\\Models.v2\\gun.ssm", "C:\\Models.v2\\gun.bsp"},
        {"models.v2/gun", "models.v2/gun.bsp"},
        {"gun", "gun.bsp"},
        {"a.b.ssm", "a.b.bsp"},
    };
    for (const auto& path : paths)
        EXPECT_EQ(BSPPathFor(path[0]), CString(path[1]));
}

TEST(BspFileTest, SavedTreesLoadBackBesideTheModel) {
    auto model = tarvex::test::MakeTriangleModel(tarvex::test::SampleSoup(), 2);
    ASSERT_EQ(tarvex::test::BuildTrees(*model), 1);
    model->m_uModelValue = 42;
    model->m_transforms[0].m[3] = 5.0f;
    const std::string folder = tarvex::test::MakeScratchFolder("bsp");
    const std::string path = folder + "/Soup.ssm";
    WriteWhole(path, tarvex::test::StoreModel(*model));
    ASSERT_EQ(model->SaveBSP(path.c_str()), 1);
    const Bytes saved = ReadWhole(folder + "/Soup.bsp");
    EXPECT_EQ(saved, model->WriteBSP());

    SSMObject loaded;
    ASSERT_EQ(loaded.LoadFile(path.c_str()), 1);
    EXPECT_EQ(loaded.m_bBSPBuilt, 1);
    EXPECT_EQ(loaded.m_uModelValue, 42u);
    EXPECT_EQ(loaded.m_transforms[0].m[3], 5.0f);
    EXPECT_EQ(loaded.WriteBSP(), saved);
    // Named, so the points stay alive through the loop that walks them.
    const TriangleSpec low = Up(0.5f), below = Up(-2.0f), high = Up(5.5f);
    for (size_t g = 0; g < 2; ++g) {
        const SSMGroup& original = *model->m_groups[g];
        const SSMGroup& copy = *loaded.m_groups[g];
        EXPECT_EQ(copy.nodes.count, original.nodes.count);
        EXPECT_EQ(copy.leaves.count, original.leaves.count);
        for (const float* point : {low.corners[0], below.corners[2], high.corners[1]}) {
            const mleaf_t* a = BSPLocatePoint(point, original.pRoot);
            const mleaf_t* b = BSPLocatePoint(point, copy.pRoot);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(a->index, b->index);
            EXPECT_EQ(a->triangles, b->triangles);
        }
    }

    // A model whose trees are marked built does not read the file.
    SSMObject skipped;
    skipped.m_bBSPBuilt = 1;
    ASSERT_EQ(skipped.LoadFile(path.c_str()), 1);
    EXPECT_EQ(skipped.m_groups[0]->pRoot, nullptr);
    EXPECT_EQ(skipped.m_uModelValue, 0u);

    // A model tagged "NoStatic" wants no trees: neither save nor load.
    auto tag = std::make_unique<SSMTag>();
    tag->name = "nostatic";
    model->m_tags.push_back(std::move(tag));
    EXPECT_EQ(model->SaveBSP((folder + "/Other.ssm").c_str()), 0);
    EXPECT_EQ(model->LoadBSP(path.c_str()), 0);
    EXPECT_EQ(loaded.LoadBSP((folder + "/Missing.ssm").c_str()), 0);
    EXPECT_NE(loaded.m_groups[0]->pRoot, nullptr);  // a missing file changes nothing

    // A file grown (by resizing, which costs no disk) to the bound still reads, since nothing
    // after the trees is looked at; one byte more and it is discarded unread.
    std::filesystem::resize_file(folder + "/Soup.bsp", SSMObject::kMaxBspBytes);
    EXPECT_EQ(loaded.LoadBSP(path.c_str()), 1);
    EXPECT_EQ(loaded.WriteBSP(), saved);
    std::filesystem::resize_file(folder + "/Soup.bsp", SSMObject::kMaxBspBytes + 1);
    EXPECT_EQ(loaded.LoadBSP(path.c_str()), 0);
    EXPECT_EQ(loaded.m_groups[0]->pRoot, nullptr);
    EXPECT_EQ(loaded.m_bBSPBuilt, 0);
}

TEST(BspFileTest, DamagedFilesAreDiscardedWhole) {
    // One group of two stacked triangles: one node and two leaves. h is where the group
    // record starts, after the six-vertex block.
    auto valid = tarvex::test::MakeTriangleModel({Up(0), Up(1)});
    tarvex::test::BuildTrees(*valid);
    const Bytes good = valid->WriteBSP();
    const size_t h = 1 + 4 + 4 + 6 * 24 + 1 + 128 + 4 + 4;
    ASSERT_EQ(good.size(), h + 170);
    ASSERT_EQ(At<int32_t>(good, h + 74), -1);  // the node's front reference
    ASSERT_EQ(At<uint32_t>(good, h + 122), 1u);  // the first leaf's triangle count

    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
    };
    const Case cases[] = {
        {"group index past the groups", h, 1},
        {"vertex block size not 24 per vertex", 5, 24 * 6 + 4},
        {"vertex count that does not match the block", 1, 0x10000000},
        {"root naming no node", h + 8, 7},
        {"root naming a leaf inside the tree", h + 8, 0xFFFFFFFF},
        {"node count past the file", h + 12, 0x7FFFFFFF},
        {"node that is no node", h + 16, 0xFFFFFFFF},
        {"node not at its own index", h + 24, 3},
        {"front reference past the nodes", h + 74, 5},
        {"node naming itself", h + 74, 0},
        {"back reference past the leaves", h + 78, 0xFFFFFFFD},
        {"back reference naming the placeholder", h + 78, 0},
        {"leaf count past the file", h + 82, 0x7FFFFFFF},
        {"leaf that is no leaf", h + 86, 0},
        {"leaf not at its own index", h + 94, 2},
        {"triangle count past the file", h + 122, 0x40000000},
        {"triangle past the model's triangles", h + 126, 2},
    };
    auto expectDiscarded = [&](const Bytes& bytes, const std::string& what) {
        auto model = tarvex::test::MakeTriangleModel({Up(0), Up(1)});
        tarvex::test::BuildTrees(*model);
        model->m_uModelValue = 9;
        EXPECT_EQ(model->ReadBSP(bytes.data(), bytes.size()), 0) << what;
        const SSMGroup& group = *model->m_groups[0];
        EXPECT_EQ(group.nodes.count, 0u) << what;
        EXPECT_EQ(group.leaves.count, 1u) << what;
        EXPECT_EQ(group.pRoot, nullptr) << what;
        EXPECT_EQ(model->m_bBSPBuilt, 0) << what;
        EXPECT_EQ(model->m_uModelValue, 9u) << what;  // nothing of the file is kept
    };
    for (const Case& c : cases) {
        Bytes bytes = good;
        std::memcpy(bytes.data() + c.offset, &c.value, 4);
        expectDiscarded(bytes, c.what);
    }
    for (size_t length = 0; length < good.size(); ++length)
        expectDiscarded(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)),
                        "cut at " + std::to_string(length));

    // The undamaged file reads.
    auto model = tarvex::test::MakeTriangleModel({Up(0), Up(1)});
    EXPECT_EQ(model->ReadBSP(good.data(), good.size()), 1);
    EXPECT_EQ(model->WriteBSP(), good);
}

}  // namespace
