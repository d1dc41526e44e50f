// Meshes read from "D2MS" files (z range, footprint, refusal of damaged files) and the archive
// forms of meshes, models and model frames.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/models/SMesh.h"
#include "assets/models/SModel.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/PeakMemory.h"
#include "tests/support/ScratchFolder.h"

namespace {

using tarvex::test::Bytes;
using tarvex::test::LoadArchive;
using tarvex::test::StoreArchive;

Bytes MakeD2MS(const std::vector<float>& xyz, uint32_t records, uint32_t vertexField = ~0u, uint32_t recordField = ~0u) {
    Bytes b = {'D', '2', 'M', 'S'};
    const uint32_t counts[2] = {vertexField != ~0u ? vertexField : static_cast<uint32_t>(xyz.size() / 3),
                                recordField != ~0u ? recordField : records};
    b.insert(b.end(), reinterpret_cast<const uint8_t*>(counts), reinterpret_cast<const uint8_t*>(counts) + 8);
    b.insert(b.end(), reinterpret_cast<const uint8_t*>(xyz.data()),
             reinterpret_cast<const uint8_t*>(xyz.data()) + xyz.size() * 4);
    for (uint32_t i = 0; i < records * 32; ++i)
        b.push_back(static_cast<uint8_t>(i));
    return b;
}

TEST(MeshFile, BoundsAndFootprint) {
    struct Case {
        const char* name;
        std::vector<float> xyz;
        float minZ, maxZ;
        float corner0[2], corner2[2];
        float corner1[2];
    };
    // A single vertex: every rectangle is a point, the 0-degree one wins. Two vertices on the
    // diagonal: at 44 degrees the rectangle is 0.2468 wide (10 x (cos 44 - sin 44)); its far
    // corner turns back onto (10, 10) and its second corner is (0.2468 cos 44, -0.2468 sin 44).
    const Case cases[] = {
        {"one vertex", {1, 2, 3}, 3, 3, {1, 2}, {1, 2}, {1, 2}},
        {"diagonal", {0, 0, -4, 10, 10, 6}, -4, 6, {0, 0}, {10, 10}, {0.17754f, -0.17145f}},
    };
    for (const Case& c : cases) {
        SMesh mesh;
        const Bytes file = MakeD2MS(c.xyz, 2);
        ASSERT_TRUE(mesh.LoadD2MS(file.data(), file.size())) << c.name;
        EXPECT_EQ(mesh.GetVertexCount(), c.xyz.size() / 3) << c.name;
        EXPECT_EQ(mesh.GetRecordCount(), 2u) << c.name;
        EXPECT_EQ(mesh.GetRecord(1)[0], 32) << c.name;
        EXPECT_EQ(mesh.GetMinZ(), c.minZ) << c.name;
        EXPECT_EQ(mesh.GetMaxZ(), c.maxZ) << c.name;
        for (int k = 0; k < 2; ++k) {
            EXPECT_NEAR(mesh.GetFootprintCorner(0)[k], c.corner0[k], 2e-3) << c.name;
            EXPECT_NEAR(mesh.GetFootprintCorner(1)[k], c.corner1[k], 2e-3) << c.name;
            EXPECT_NEAR(mesh.GetFootprintCorner(2)[k], c.corner2[k], 2e-3) << c.name;
        }
    }
}

TEST(MeshFile, DamagedFilesAreRefusedAndTheMeshKept) {
    SMesh mesh;
    const Bytes good = MakeD2MS({1, 2, 3, 4, 5, 6}, 1);
    ASSERT_TRUE(mesh.LoadD2MS(good.data(), good.size()));

    std::vector<std::pair<std::string, Bytes>> bad;
    for (int i = 0; i < 4; ++i) {
        Bytes b = good;
        b[i] ^= 0x20;
        bad.emplace_back("magic byte " + std::to_string(i), b);
    }
    bad.emplace_back("short header", Bytes(good.begin(), good.begin() + 10));
    bad.emplace_back("vertices past the end", MakeD2MS({1, 2, 3}, 0, 2));
    bad.emplace_back("records past the end", MakeD2MS({1, 2, 3}, 1, ~0u, 2));
    bad.emplace_back("huge vertex count", MakeD2MS({1, 2, 3}, 0, 0xFFFFFFFEu));
    bad.emplace_back("huge record count", MakeD2MS({}, 0, 0, 0x80000000u));
    for (const auto& [name, bytes] : bad) {
        EXPECT_FALSE(mesh.LoadD2MS(bytes.data(), bytes.size())) << name;
        EXPECT_EQ(mesh.GetVertexCount(), 2u) << name;
        EXPECT_EQ(mesh.GetRecordCount(), 1u) << name;
        EXPECT_EQ(mesh.GetVertex(1)[2], 6.0f) << name;
    }
}

TEST(MeshFile, LoadsByNameFromTheFolder) {
    const std::string folder = tarvex::test::MakeScratchFolder("assets-scratch");
    const Bytes file = MakeD2MS({7, 8, 9}, 0);
    FILE* out = std::fopen((folder + "/tree.d2ms").c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);

    SMesh mesh;
    mesh.SetFileName("tree.d2ms");
    CStringArray folders;
    EXPECT_FALSE(mesh.LoadFromMemory(&folders, 0));
    folders.Add(CString(folder.c_str()));
    EXPECT_TRUE(mesh.LoadFromMemory(&folders, 0));
    EXPECT_EQ(mesh.GetFolder(), CString(folder.c_str()));
    EXPECT_EQ(mesh.GetMaxZ(), 9.0f);
    EXPECT_FALSE(mesh.LoadFromFile(CString((folder + "/missing").c_str()), 0));

    // Files grown by resizing, which costs no disk: what lies past the bytes the header names
    // is never read, and a header naming more than any mesh may take is refused.
    const struct {
        const char* what;
        Bytes head;
        uint64_t size;
        bool loads;
    } grown[] = {
        {"a gigabyte past its mesh", file, uint64_t{1} << 30, true},
        {"records up to the bound", MakeD2MS({7, 8, 9}, 0, ~0u, (SMesh::kMaxFileBytes - 24) / 32),
         SMesh::kMaxFileBytes, true},
        {"records past the bound", MakeD2MS({7, 8, 9}, 0, ~0u, (SMesh::kMaxFileBytes - 24) / 32 + 1),
         uint64_t{1} << 30, false},
    };
    for (const auto& g : grown) {
        out = std::fopen((folder + "/tree.d2ms").c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fwrite(g.head.data(), 1, g.head.size(), out);
        std::fclose(out);
        std::filesystem::resize_file(folder + "/tree.d2ms", g.size);
        tarvex::test::ResetPeakMemory();
        SMesh big;
        big.SetFileName("tree.d2ms");
        EXPECT_EQ(big.LoadFromFile(CString(folder.c_str()), 0), g.loads) << g.what;
        EXPECT_LT(tarvex::test::PeakGrowthBytes(), 2 * SMesh::kMaxFileBytes + (uint64_t{16} << 20)) << g.what;
    }
}

TEST(MeshModelArchive, RoundTripsAndLayouts) {
    SMesh mesh;
    mesh.SetFileName("a.d2ms");
    mesh.m_strSecondName = "b";
    mesh.m_byOptions[2] = 9;
    for (int i = 0; i < 5; ++i)
        mesh.m_dwWords[i] = 10 + i;
    mesh.m_dwFlags = 0x55;
    const Bytes stored = StoreArchive([&](CArchive& ar) { mesh.Serialize(ar); });
    // Schema, first word, the two names, three bytes, four words, flags.
    ASSERT_EQ(stored.size(), 4u + 4 + 7 + 2 + 3 + 16 + 4);
    EXPECT_EQ(stored[4], 10);
    EXPECT_EQ(stored[8], 6);  // the file name's length comes first
    EXPECT_EQ(stored.back(), 0);
    EXPECT_EQ(stored[stored.size() - 4], 0x55);
    SMesh back;
    LoadArchive(stored, [&](CArchive& ar) { back.Serialize(ar); });
    EXPECT_EQ(back.GetFileName(), CString("a.d2ms"));
    EXPECT_EQ(back.m_strSecondName, CString("b"));
    EXPECT_EQ(back.m_byOptions[2], 9);
    EXPECT_EQ(back.m_dwWords[4], 14u);
    EXPECT_EQ(back.m_dwFlags, 0x55u);

    SModel empty;
    const Bytes emptyBytes = StoreArchive([&](CArchive& ar) { empty.Serialize(ar); });
    // Schema, empty name, three bytes, four values, a zero frame count.
    EXPECT_EQ(emptyBytes, (Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    SModel model;
    model.m_strName = "officer";
    model.m_dwValues[3] = 4;
    auto* frame = new SModelFrame;
    frame->m_strName = "stand";
    frame->m_dwValues[1] = 7;
    frame->m_dwLast = 8;
    model.AddFrame(frame);
    auto* second = new SModelFrame;
    second->m_fValue = 2.5f;
    model.AddFrame(second);
    SModel loaded;
    LoadArchive(StoreArchive([&](CArchive& ar) { model.Serialize(ar); }), [&](CArchive& ar) { loaded.Serialize(ar); });
    EXPECT_EQ(loaded.m_strName, CString("officer"));
    EXPECT_EQ(loaded.m_dwValues[3], 4u);
    ASSERT_EQ(loaded.GetFrameCount(), 2);
    EXPECT_EQ(loaded.GetFrame(0)->m_strName, CString("stand"));
    EXPECT_EQ(loaded.GetFrame(0)->m_fValue, 1.0f);
    EXPECT_EQ(loaded.GetFrame(0)->m_dwValues[1], 7u);
    EXPECT_EQ(loaded.GetFrame(0)->m_dwLast, 8u);
    EXPECT_EQ(loaded.GetFrame(1)->m_fValue, 2.5f);
    EXPECT_EQ(loaded.GetFrame(2), nullptr);
}

}  // namespace
