// The geometry value types stream as raw little-endian bytes in a fixed order, and planes
// classify themselves by their normals.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "assets/math/CQuat.h"
#include "assets/math/Geometry.h"
#include "assets/math/Matrix16f.h"

namespace {

std::vector<uint8_t> Written(sclass_t& value) {
    std::vector<uint8_t> bytes;
    sfile_t file(&bytes);
    sstream_t stream{&file, sstream_t::kWrite};
    value.Serialize(&stream);
    return bytes;
}

float FloatAt(const std::vector<uint8_t>& bytes, size_t offset) {
    float value;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

TEST(ValueStreamTest, EachTypeWritesItsFixedByteForm) {
    plane_t plane;
    plane.normal[0] = 0.5f;
    plane.normal[1] = -2.0f;
    plane.normal[2] = 3.0f;
    plane.dist = 7.0f;
    plane.type = 3;
    plane.signbits = 2;
    const auto planeBytes = Written(plane);
    ASSERT_EQ(planeBytes.size(), 18u);
    EXPECT_EQ(FloatAt(planeBytes, 0), 0.5f);
    EXPECT_EQ(FloatAt(planeBytes, 4), -2.0f);
    EXPECT_EQ(FloatAt(planeBytes, 12), 7.0f);
    // -2.0f is 0xC0000000, little-endian.
    EXPECT_EQ(planeBytes[7], 0xC0);
    EXPECT_EQ(planeBytes[16], 3);
    EXPECT_EQ(planeBytes[17], 2);

    matrix16f_t matrix;
    for (int i = 0; i < 16; ++i)
        matrix.m[i] = static_cast<float>(i);
    const auto matrixBytes = Written(matrix);
    ASSERT_EQ(matrixBytes.size(), 64u);
    EXPECT_EQ(FloatAt(matrixBytes, 4 * 13), 13.0f);

    bboxf_t box;
    for (int i = 0; i < 6; ++i)
        box.v[i] = static_cast<float>(10 + i);
    const auto boxBytes = Written(box);
    ASSERT_EQ(boxBytes.size(), 24u);
    EXPECT_EQ(FloatAt(boxBytes, 12), 13.0f);

    CQuat quat(1.0f, 2.0f, 3.0f, 4.0f);
    const auto quatBytes = Written(quat);
    ASSERT_EQ(quatBytes.size(), 16u);
    EXPECT_EQ(FloatAt(quatBytes, 0), 1.0f);
    EXPECT_EQ(FloatAt(quatBytes, 12), 4.0f);

    // Read back through a read stream.
    plane_t readPlane;
    sfile_t source(planeBytes.data(), planeBytes.size());
    sstream_t in{&source, sstream_t::kRead};
    readPlane.Serialize(&in);
    EXPECT_EQ(readPlane.normal[1], -2.0f);
    EXPECT_EQ(readPlane.dist, 7.0f);
    EXPECT_EQ(readPlane.type, 3);
    EXPECT_EQ(readPlane.signbits, 2);
    EXPECT_FALSE(source.bShortRead);
    EXPECT_EQ(plane.GetClassRecord(), quat.GetClassRecord());
    EXPECT_STREQ(box.GetClassRecord()->pszName, "sclass_t");
    EXPECT_EQ(box.GetClassRecord()->uObjectSize, 8u);
}

TEST(ValueStreamTest, StreamsWithoutHolderOrModeMoveNothing) {
    const std::vector<uint8_t> bytes(64, 0xFF);
    for (uint32_t mode : {0u, 3u}) {
        sfile_t source(bytes.data(), bytes.size());
        sstream_t stream{&source, mode};
        CQuat quat(1.0f, 2.0f, 3.0f, 4.0f);
        quat.Serialize(&stream);
        EXPECT_EQ(quat.w, 1.0f);
        EXPECT_EQ(quat.z, 4.0f);
        EXPECT_EQ(source.nPos, 0u);
        float buffer = 0;
        EXPECT_EQ(StreamTransfer(&stream, &buffer, 4), mode);
    }
    sstream_t none{nullptr, sstream_t::kRead};
    float value = 5.0f;
    EXPECT_EQ(StreamReadBlock(&none, &value, 4), -1);
    EXPECT_EQ(StreamWriteBlock(&none, &value, 4), -1);
    EXPECT_EQ(StreamTransfer(&none, &value, 4), sstream_t::kRead);
    EXPECT_EQ(value, 5.0f);

    // Whole-block reads and writes answer 1 only when every byte moved.
    sfile_t shortSource(bytes.data(), 2);
    sstream_t shortStream{&shortSource, sstream_t::kRead};
    EXPECT_EQ(StreamReadBlock(&shortStream, &value, 4), 0);
    EXPECT_TRUE(shortSource.bShortRead);
    sfile_t full(bytes.data(), bytes.size());
    EXPECT_EQ(FileReadBlock(&full, &value, 4), 1);
}

TEST(ValueStreamTest, PlanesClassifyByTheirNormals) {
    struct Case {
        float normal[3];
        uint8_t type;
        uint8_t signbits;
    };
    const Case cases[] = {
        {{1.0f, 0.0f, 0.0f}, 0, 0},
        {{0.0f, 1.0f, 0.0f}, 1, 0},
        {{0.0f, 0.0f, 1.0f}, 2, 0},
        {{0.0f, 0.0f, -1.0f}, 3, 4},
        {{-1.0f, 0.0f, 0.0f}, 3, 1},
        {{0.6f, -0.8f, 0.0f}, 3, 2},
        {{-0.6f, -0.0f, -0.8f}, 3, 5},
    };
    EXPECT_EQ(plane_t().type, 0xFF);
    for (const Case& c : cases) {
        plane_t plane;
        std::memcpy(plane.normal, c.normal, sizeof(c.normal));
        plane.Classify();
        EXPECT_EQ(plane.type, c.type) << c.normal[0] << " " << c.normal[1] << " " << c.normal[2];
        EXPECT_EQ(plane.signbits, c.signbits) << c.normal[0] << " " << c.normal[1] << " " << c.normal[2];
    }

    // A triangle's plane faces along (p1 - p0) x (p2 - p1) and passes through its corners.
    const float p0[3] = {0, 0, 2};
    const float p1[3] = {3, 0, 2};
    const float p2[3] = {0, 4, 2};
    plane_t plane;
    PlaneFromTriangle(plane, p0, p1, p2);
    EXPECT_EQ(plane.normal[2], 1.0f);
    EXPECT_EQ(plane.dist, 2.0f);
    EXPECT_EQ(plane.type, 2);
    const float above[3] = {5, 5, 2.0015f};
    const float on[3] = {5, 5, 2.0005f};
    const float below[3] = {5, 5, 1.998f};
    EXPECT_EQ(ClassifyPoint(plane, above), kPointFront);
    EXPECT_EQ(ClassifyPoint(plane, on), kPointOn);
    EXPECT_EQ(ClassifyPoint(plane, below), kPointBack);
}

}  // namespace
