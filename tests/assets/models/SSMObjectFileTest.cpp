// "SSMO" files: a file laid out by hand loads into the expected records and stores back byte
// for byte; damaged files are refused whole.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "assets/models/SSMObject.h"
#include "tests/assets/models/ModelSamples.h"
#include "tests/support/ScratchFolder.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Writer {
    Bytes bytes;
    std::map<std::string, size_t> marks;

    void Mark(const std::string& name) { marks[name] = bytes.size(); }
    template <class T>
    void Put(T value) {
        uint8_t raw[sizeof(T)];
        std::memcpy(raw, &value, sizeof(T));
        bytes.insert(bytes.end(), raw, raw + sizeof(T));
    }
    void Name(const char* text) {
        Put(static_cast<int16_t>(std::strlen(text)));
        bytes.insert(bytes.end(), text, text + std::strlen(text));
    }
    template <class T>
    void Patch(const std::string& mark, T value) {
        std::memcpy(bytes.data() + marks.at(mark), &value, sizeof(T));
    }
};

// Three vertices, one triangle, one resource, two frames, one animation, two groups, one tag.
Writer SampleFile() {
    Writer w;
    w.bytes = {'S', 'S', 'M', 'O'};
    w.Put<uint16_t>(1);
    w.Put<uint16_t>(0);
    w.Mark("vertices");
    for (int16_t count : {3, 1, 1, 2, 1, 2, 1})
        w.Put(count);
    w.Mark("triangle");
    for (int16_t v : {0, 1, 2})
        w.Put(v);
    w.Put<uint8_t>(0xAA);
    w.Put<uint8_t>(0xBB);
    for (float uv : {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f})
        w.Put(uv);
    w.Put<int16_t>(0);
    w.Put<uint8_t>(0xCC);
    w.Put<uint8_t>(0xDD);
    w.Put<uint32_t>(7);
    w.Mark("resourceName");
    w.Name("skin.tex");
    const float frames[2][9] = {{0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 1, 0, 1, 0, 1, 1}};
    for (int f = 0; f < 2; ++f) {
        w.Put<uint32_t>(static_cast<uint32_t>(2 * f + 1));
        w.Put<uint32_t>(static_cast<uint32_t>(2 * f + 2));
        w.Name(f == 0 ? "f0" : "");
        w.Put<uint8_t>(static_cast<uint8_t>(5 + 2 * f));
        w.Put<uint8_t>(static_cast<uint8_t>(6 + 2 * f));
        for (float p : frames[f])
            w.Put(p);
    }
    w.Put<uint32_t>(1);
    w.Put<uint32_t>(9);
    w.Put<int16_t>(2);
    w.Name("walk");
    w.Put<int16_t>(0);
    w.Mark("animFrame");
    w.Put<int16_t>(1);
    w.Put(0.25f);
    w.Put(0.5f);
    w.Put<uint32_t>(kGroupInBsp);
    w.Put<uint32_t>(11);
    w.Name("Normal");
    w.Put<int16_t>(1);
    w.Mark("skinResource");
    w.Put<int16_t>(0);
    w.Name("Skin0");
    w.Put<int16_t>(1);
    w.Put<uint8_t>(1);
    w.Name("gt");
    w.Name("gv");
    w.Put<uint32_t>(kGroupMarker);
    w.Put<uint32_t>(0);
    w.Name("marker");
    w.Put<int16_t>(0);
    w.Put<int16_t>(0);
    w.Put<uint8_t>(2);
    w.Name("Static_1");
    w.Name("1");
    return w;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void ExpectEmpty(const SSMObject& model) {
    EXPECT_EQ(model.m_nVertices + model.m_nTriangles + model.m_nResources + model.m_nFrames + model.m_nAnims +
                  model.m_nGroups + model.m_nTags,
              0);
    EXPECT_TRUE(model.m_groups.empty());
    EXPECT_TRUE(model.m_frames.empty());
    EXPECT_TRUE(model.m_triangles.empty());
    EXPECT_TRUE(model.m_resources.empty());
    EXPECT_TRUE(model.m_tags.empty());
}

TEST(SSMObjectFileTest, LoadsTheLayoutAndStoresItBackByteForByte) {
    const Bytes file = SampleFile().bytes;
    SSMObject model;
    ASSERT_TRUE(tarvex::test::LoadModel(model, file));
    EXPECT_EQ(model.m_nVertices, 3);
    EXPECT_EQ(model.m_nTriangles, 1);
    EXPECT_EQ(model.m_nGroups, 2);
    const SSMTriangle& t = model.m_triangles[0];
    EXPECT_EQ(t.vertex[2], 2);
    EXPECT_EQ(t.extra[1], 0xBB);
    EXPECT_EQ(t.uv[2].v, 1.0f);
    EXPECT_EQ(t.extra2[0], 0xCC);
    EXPECT_EQ(model.m_resources[0]->name, CString("skin.tex"));
    EXPECT_EQ(model.m_resources[0]->value, 7u);
    EXPECT_EQ(model.m_frames[0]->name, CString("f0"));
    EXPECT_TRUE(model.m_frames[1]->name.IsEmpty());
    EXPECT_EQ(model.m_frames[1]->value2, 4u);
    EXPECT_EQ(model.m_frames[1]->groupBytes, (std::vector<uint8_t>{7, 8}));
    EXPECT_EQ(model.m_frames[1]->positions[8], 1.0f);
    ASSERT_EQ(model.m_frames[0]->groupFrames.size(), 2u);
    EXPECT_EQ(model.m_frames[0]->groupFrames[1].length, 1.0f);
    EXPECT_EQ(model.m_frames[0]->groupFrames[1].pitch, 0.0f);
    EXPECT_EQ(model.m_anims[0]->totalTime, 0.75f);
    EXPECT_EQ(model.m_anims[0]->frames, (std::vector<int16_t>{0, 1}));
    EXPECT_EQ(model.m_groups[0]->triangles, (std::vector<int16_t>{0}));
    EXPECT_EQ(model.m_groups[0]->triangleCount, 1);
    EXPECT_TRUE(model.m_groups[1]->triangles.empty());
    EXPECT_EQ(model.m_groups[0]->skins[0]->name, CString("Skin0"));

    // Tags by name without regard to case, and by index.
    EXPECT_EQ(model.FindTag("STATIC_1"), 0);
    EXPECT_EQ(model.FindTag("NoStatic"), -1);
    CString name, value;
    uint8_t byte = 0;
    EXPECT_EQ(model.GetTag(0, &name, &value, &byte), 1);
    EXPECT_EQ(value, CString("1"));
    EXPECT_EQ(byte, 2);
    EXPECT_EQ(model.GetTag(1, &name, &value, &byte), 0);
    EXPECT_EQ(model.FindGroupTag(0, "GT"), 0);
    EXPECT_EQ(model.FindGroupTag(2, "gt"), -1);
    EXPECT_EQ(model.GetGroupTag(0, 0, &name, &value, &byte), 1);
    EXPECT_EQ(name, CString("gt"));
    EXPECT_EQ(model.GetGroupTag(1, 0, &name, &value, &byte), 0);

    EXPECT_EQ(tarvex::test::StoreModel(model), file);

    // Loading from a file also sets what the model's tags ask for.
    const std::string folder = tarvex::test::MakeScratchFolder("models");
    WriteFile(folder + "/gun.ssm", file);
    SSMObject loaded;
    EXPECT_EQ(loaded.LoadFile((folder + "/gun.ssm").c_str()), 1);
    EXPECT_EQ(loaded.m_uModelFlags & 1u, 1u);
    EXPECT_EQ(loaded.m_bBSPWanted, 1);
    EXPECT_EQ(loaded.m_groups[0]->flags, kGroupInBsp | kGroupHasBsp);
    EXPECT_EQ(loaded.m_groups[1]->flags, kGroupMarker);
    EXPECT_EQ(loaded.m_strFileName, CString((folder + "/gun.ssm").c_str()));
    EXPECT_EQ(loaded.LoadFile((folder + "/missing.ssm").c_str()), 0);
}

TEST(SSMObjectFileTest, GeneratedModelsRoundTripAndSmallFilesLoad) {
    auto model = tarvex::test::MakeDressedModel();
    const Bytes stored = tarvex::test::StoreModel(*model);
    SSMObject loaded;
    ASSERT_TRUE(tarvex::test::LoadModel(loaded, stored));
    EXPECT_EQ(loaded.m_nTriangles, 7);
    EXPECT_EQ(loaded.m_groups[1]->triangles, (std::vector<int16_t>{5, 6}));
    EXPECT_EQ(loaded.m_anims[0]->totalTime, 1.0f);
    EXPECT_EQ(tarvex::test::StoreModel(loaded), stored);

    // No triangles and one group: the group loads with an empty list.
    Writer w;
    w.bytes = {'S', 'S', 'M', 'O'};
    for (int16_t word : {1, 0, 0, 0, 0, 0, 0, 1, 0})
        w.Put(word);
    w.Put<uint32_t>(0);
    w.Put<uint32_t>(0);
    w.Name("");
    w.Put<int16_t>(0);
    w.Put<int16_t>(0);
    SSMObject small;
    ASSERT_TRUE(tarvex::test::LoadModel(small, w.bytes));
    ASSERT_EQ(small.m_groups.size(), 1u);
    EXPECT_TRUE(small.m_groups[0]->triangles.empty());
    EXPECT_TRUE(small.m_groups[0]->name.IsEmpty());
    EXPECT_EQ(tarvex::test::StoreModel(small), w.bytes);
}

TEST(SSMObjectFileTest, DamagedFilesAreRefusedWhole) {
    struct Case {
        const char* what;
        void (*damage)(Writer&);
    };
    const Case cases[] = {
        {"wrong magic", [](Writer& w) { w.bytes[3] = 'o'; }},
        {"negative count", [](Writer& w) { w.Patch<int16_t>("vertices", -1); }},
        {"vertex index past the vertices", [](Writer& w) { w.Patch<int16_t>("triangle", 3); }},
        {"negative vertex index", [](Writer& w) { w.Patch<int16_t>("triangle", -1); }},
        {"animation frame past the frames", [](Writer& w) { w.Patch<int16_t>("animFrame", 2); }},
        {"skin resource past the resources", [](Writer& w) { w.Patch<int16_t>("skinResource", 1); }},
        {"name longer than 2046", [](Writer& w) {
             w.Patch<int16_t>("resourceName", 2047);
             w.bytes.resize(w.bytes.size() + 4096, 0);
         }},
        {"negative name length", [](Writer& w) { w.Patch<int16_t>("resourceName", -2); }},
    };
    const std::string folder = tarvex::test::MakeScratchFolder("models");
    for (const Case& c : cases) {
        Writer w = SampleFile();
        c.damage(w);
        const std::string path = folder + "/damaged.ssm";
        WriteFile(path, w.bytes);
        SSMObject model;
        EXPECT_EQ(model.LoadFile(path.c_str()), 0) << c.what;
        ExpectEmpty(model);
    }

    // Cut anywhere, the file is refused and nothing of it stays.
    const Bytes file = SampleFile().bytes;
    for (size_t length = 0; length < file.size(); ++length) {
        SSMObject model;
        const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        if (length >= 4)
            EXPECT_FALSE(tarvex::test::LoadModel(model, cut)) << length;
        else
            tarvex::test::LoadModel(model, cut);
        ExpectEmpty(model);
    }
    WriteFile(folder + "/cut.ssm", Bytes(file.begin(), file.end() - 1));
    SSMObject model;
    EXPECT_EQ(model.LoadFile((folder + "/cut.ssm").c_str()), 0);
    ExpectEmpty(model);
}

}  // namespace
