// Sound emitters: the stored form with its odd value order, the defaults, loading by folder,
// and creation through the resource factory.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/SResourceFactory.h"
#include "dx/sound/SSoundEmitter.h"
#include "dx/sound/SWave.h"
#include "tests/support/ArchiveBytes.h"
#include "tests/support/ScratchFolder.h"

using namespace tarvex::test;

namespace {

uint32_t U32At(const Bytes& bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<uint32_t>(bytes[at + 2]) << 16) | (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

float FloatAt(const Bytes& bytes, size_t at) {
    const uint32_t bits = U32At(bytes, at);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TEST(SoundEmitterTest, ValuesStartAtTheirDefaults) {
    SSoundEmitterInfo info;
    EXPECT_EQ(info.m_Value1, 0);
    EXPECT_EQ(info.m_Value7, 360.0f);
    EXPECT_EQ(info.m_Value8, 360.0f);
    EXPECT_EQ(info.m_Value10, 200.0f);
    EXPECT_EQ(info.m_Value11, 5.0f);
    EXPECT_EQ(info.m_Value13, 0);
    info.m_Value7 = 1.0f;
    info.m_Value3 = 9;
    info.Reset();
    EXPECT_EQ(info.m_Value7, 360.0f);
    EXPECT_EQ(info.m_Value3, 0);
}

TEST(SoundEmitterTest, StoredFormKeepsTheValueOrder) {
    SSoundEmitterInfo info;
    info.m_Value1 = 1;
    info.m_Value2 = 2;
    info.m_Value3 = 3;
    info.m_Value4 = 4;
    info.m_Value5 = 5;
    info.m_Value6 = 6;
    info.m_Value9 = 9;
    info.m_Value12 = 12;
    info.m_Value13 = 13;
    SSoundEmitter emitter("rain.wav", info);
    emitter.GetFiles().Add("drip.wav");
    const Bytes bytes = StoreArchive([&](CArchive& ar) { emitter.Serialize(ar); });
    // Schema word, 13 values, count word, two strings of 1 + 8 bytes.
    ASSERT_EQ(bytes.size(), 4u + 13 * 4 + 2 + 9 + 9);
    EXPECT_EQ(U32At(bytes, 0), 1u);
    const size_t v = 4;
    EXPECT_EQ(U32At(bytes, v + 0), 4u);
    EXPECT_EQ(FloatAt(bytes, v + 4), 360.0f);
    EXPECT_EQ(FloatAt(bytes, v + 8), 360.0f);
    EXPECT_EQ(U32At(bytes, v + 12), 9u);
    EXPECT_EQ(U32At(bytes, v + 16), 12u);
    EXPECT_EQ(U32At(bytes, v + 20), 13u);
    EXPECT_EQ(U32At(bytes, v + 24), 2u);
    EXPECT_EQ(U32At(bytes, v + 28), 5u);
    EXPECT_EQ(U32At(bytes, v + 32), 1u);
    EXPECT_EQ(U32At(bytes, v + 36), 6u);
    EXPECT_EQ(U32At(bytes, v + 40), 3u);
    EXPECT_EQ(FloatAt(bytes, v + 44), 5.0f);
    EXPECT_EQ(FloatAt(bytes, v + 48), 200.0f);
    EXPECT_EQ(bytes[56], 2);
    EXPECT_EQ(bytes[57], 0);
    EXPECT_EQ(bytes[58], 8);
    EXPECT_EQ(std::string(bytes.begin() + 59, bytes.begin() + 67), "rain.wav");
}

TEST(SoundEmitterTest, AStoredEmitterReadsBackWithItsNamesAndValues) {
    SSoundEmitter emitter("one.wav");
    emitter.GetFiles().Add("two.wav");
    const Bytes bytes = StoreArchive([&](CArchive& ar) { emitter.Serialize(ar); });
    SSoundEmitter loaded;
    LoadArchive(bytes, [&](CArchive& ar) { loaded.Serialize(ar); });
    ASSERT_EQ(loaded.GetFiles().GetSize(), 2);
    EXPECT_STREQ(loaded.GetFileName(0).GetString(), "one.wav");
    EXPECT_STREQ(loaded.GetFileName(1).GetString(), "two.wav");
    EXPECT_EQ(loaded.GetInfo().m_Value8, 360.0f);
    EXPECT_EQ(loaded.GetInfo().m_Value10, 200.0f);
    EXPECT_EQ(loaded.GetInfo().m_Value11, 5.0f);
    EXPECT_STREQ(loaded.GetFileName(-1).GetString(), "");
    EXPECT_STREQ(loaded.GetFileName(2).GetString(), "");
}

TEST(SoundEmitterTest, ACutStoredEmitterIsAnArchiveError) {
    SSoundEmitter emitter("one.wav");
    Bytes bytes = StoreArchive([&](CArchive& ar) { emitter.Serialize(ar); });
    bytes.resize(30);
    SSoundEmitter loaded;
    EXPECT_THROW(LoadArchive(bytes, [&](CArchive& ar) { loaded.Serialize(ar); }), CArchiveException);
}

TEST(SoundEmitterTest, LoadingChecksThatTheFirstFileIsInTheFolder) {
    const std::string folder = MakeScratchFolder("emitter");
    std::filesystem::create_directories(folder + "/b");
    std::ofstream(folder + "/b/Rain.wav") << "x";

    SSoundEmitter empty;
    EXPECT_FALSE(empty.LoadFromFile(CString(folder.c_str()), 0));

    SSoundEmitter emitter("rain.wav");
    EXPECT_FALSE(emitter.LoadFromFile(CString((folder + "/a").c_str()), 0));
    EXPECT_TRUE(emitter.GetFolder().IsEmpty());
    CStringArray folders;
    EXPECT_FALSE(emitter.LoadFromMemory(&folders, 0));
    EXPECT_FALSE(emitter.LoadFromMemory(nullptr, 0));
    folders.Add(CString((folder + "/a").c_str()));
    folders.Add(CString((folder + "/b").c_str()));
    EXPECT_TRUE(emitter.LoadFromMemory(&folders, 0));
    EXPECT_STREQ(emitter.GetFolder().GetString(), (folder + "/b").c_str());

    SSoundEmitter copy;
    copy.Assign(emitter);
    EXPECT_STREQ(copy.GetFolder().GetString(), (folder + "/b").c_str());
    EXPECT_EQ(copy.GetFiles().GetSize(), 0);  // Assign takes folder and values only
}

// A resource that tells when it is deleted.
class CountedResource : public SResource {
public:
    explicit CountedResource(int& deleted) : m_deleted(deleted) {}
    ~CountedResource() override { ++m_deleted; }

private:
    int& m_deleted;
};

TEST(SoundEmitterTest, TheEmitterDeletesTheResourcesItHolds) {
    int deleted = 0;
    {
        SSoundEmitter emitter("a.wav");
        EXPECT_EQ(emitter.GetFirstResource(), nullptr);
        auto* first = new CountedResource(deleted);
        emitter.GetResourceArray()->Add(first);
        emitter.GetResourceArray()->Add(new CountedResource(deleted));
        EXPECT_EQ(emitter.GetFirstResource(), first);
    }
    EXPECT_EQ(deleted, 2);
}

TEST(SoundEmitterTest, TheFactoryMakesSoundsAndEmitters) {
    RegisterSoundResourceKinds();
    SResourceFactory factory;
    SResource* wave = factory.CreateResource(kKindSound);
    SResource* emitter = factory.CreateResource(kKindSoundEmitter);
    EXPECT_NE(dynamic_cast<SWave*>(wave), nullptr);
    EXPECT_NE(dynamic_cast<SSoundEmitter*>(emitter), nullptr);
    delete wave;
    delete emitter;
}

}  // namespace
