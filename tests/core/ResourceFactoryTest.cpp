// The resource factory: kinds to classes through the registry, kinds that name no class, and
// loading a new object from its file with the half-made object left for the caller.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/SResourceFactory.h"
#include "tests/core/CatalogTestSupport.h"

namespace {

namespace fs = std::filesystem;
using catalogtest::TestResource;

// Stands in for the list control of the UI toolkit.
class FakeListCtrl : public SResource {};
// Keeps the base LoadFromCFile, which reads nothing.
class PlainResource : public SResource {};

class ResourceFactoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::path(TARVEX_TEST_BINARY_DIR) / (std::string("resource_factory_test.") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        SResourceFactory::ClearLastCreated();
    }
    void TearDown() override {
        for (int nKind = 0; nKind < kResourceKindCount; ++nKind)
            SResourceFactory::RegisterKind(nKind, nullptr);
        SResourceFactory::ClearLastCreated();
        fs::remove_all(m_dir);
    }
    std::string Dir() const { return m_dir.string(); }

    fs::path m_dir;
    SResourceFactory m_factory;
};

TEST_F(ResourceFactoryTest, RegisteredKindMakesItsClass) {
    ASSERT_TRUE(SResourceFactory::RegisterKind<FakeListCtrl>(kKindListCtrl));
    std::unique_ptr<SResource> resource(m_factory.CreateResource(25));
    ASSERT_NE(resource, nullptr);
    EXPECT_NE(dynamic_cast<FakeListCtrl*>(resource.get()), nullptr);
    // Each call makes a new object.
    std::unique_ptr<SResource> second(m_factory.CreateResource(25));
    EXPECT_NE(second.get(), resource.get());
}

TEST_F(ResourceFactoryTest, KindsWithoutAClassMakeNothingAndCannotBeRegistered) {
    for (int nKind : {0, 6, 7, 15, 16, 28, 200, -1}) {
        EXPECT_FALSE(SResourceFactory::RegisterKind<FakeListCtrl>(nKind)) << nKind;
        EXPECT_EQ(m_factory.CreateResource(nKind), nullptr) << nKind;
    }
}

TEST_F(ResourceFactoryTest, BaseLoadFromCFileReturnsTheObjectWithoutReading) {
    SResourceFactory::RegisterKind<PlainResource>(kKindMesh);
    catalogtest::WriteRawFile(m_dir / "mesh.msh", {1, 2, 3});
    std::unique_ptr<SResource> mesh(m_factory.CreateFromFile(kKindMesh, Dir() + "/", "mesh.msh"));
    ASSERT_NE(mesh, nullptr);
    EXPECT_NE(dynamic_cast<PlainResource*>(mesh.get()), nullptr);
    EXPECT_EQ(SResourceFactory::GetLastCreated(), mesh.get());
}

TEST_F(ResourceFactoryTest, FolderAndFileAreJoinedWithoutASeparator) {
    SResourceFactory::RegisterKind<TestResource>(kKindSprite);
    catalogtest::WriteResourceFile(m_dir / "Spritesa.spr", "joined", 7);
    std::unique_ptr<SResource> sprite(m_factory.CreateFromFile(kKindSprite, Dir() + "/Sprites", "a.spr"));
    ASSERT_NE(sprite, nullptr);
    auto* test = static_cast<TestResource*>(sprite.get());
    EXPECT_EQ(test->m_strText, "joined");
    EXPECT_EQ(test->m_dwValue, 7u);

    // A folder written the data's way, ending in a backslash, reaches the same place.
    catalogtest::WriteResourceFile(m_dir / "Sprites" / "b.spr", "inside", 8);
    std::unique_ptr<SResource> inside(m_factory.CreateFromFile(kKindSprite, Dir() + "\\Sprites\\", "B.SPR"));
    ASSERT_NE(inside, nullptr);
    EXPECT_EQ(static_cast<TestResource*>(inside.get())->m_dwValue, 8u);
}

TEST_F(ResourceFactoryTest, MissingFileRaisesAndLeavesTheObjectAsLastCreated) {
    SResourceFactory::RegisterKind<TestResource>(kKindSprite);
    const int nLiveBefore = TestResource::s_nLive;
    try {
        m_factory.CreateFromFile(kKindSprite, Dir() + "/", "missing.spr");
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    }
    SResource* pHalfMade = SResourceFactory::GetLastCreated();
    ASSERT_NE(pHalfMade, nullptr);
    EXPECT_EQ(TestResource::s_nLive, nLiveBefore + 1);
    delete pHalfMade;
    SResourceFactory::ClearLastCreated();
    EXPECT_EQ(TestResource::s_nLive, nLiveBefore);
}

TEST_F(ResourceFactoryTest, RefusedFileRaisesGenericFileExceptionWithThePath) {
    SResourceFactory::RegisterKind<TestResource>(kKindSprite);
    catalogtest::WriteResourceFile(m_dir / "bad.spr", "refuse", 1);
    const std::string strPath = Dir() + "/bad.spr";
    try {
        m_factory.CreateFromFile(kKindSprite, Dir() + "/", "bad.spr");
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::genericException);
        EXPECT_EQ(e.m_lOsError, -1);
        EXPECT_EQ(std::string(e.m_strFileName.GetString()), strPath);
    }
    delete SResourceFactory::GetLastCreated();
    SResourceFactory::ClearLastCreated();
}

TEST_F(ResourceFactoryTest, KindWithoutAClassNeverTouchesTheFile) {
    SResource* pMarker = m_factory.CreateFromFile(kKindSprite, Dir() + "/", "missing.spr");
    EXPECT_EQ(pMarker, nullptr);
    EXPECT_EQ(SResourceFactory::GetLastCreated(), nullptr);
}

}  // namespace
