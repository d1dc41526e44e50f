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

TEST(ValueStreamTest, EachTypeWritesItsFixedByteFormAndReadsItBack) {
    plane_t plane;
    const float fields[4] = {0.5f, -2.0f, 3.0f, 7.0f};
    std::memcpy(plane.normal, fields, 12);
    plane.dist = 7.0f;
    plane.type = 3;
    plane.signbits = 2;
    matrix16f_t matrix;
    matrix.m[13] = 13.0f;
    bboxf_t box;
    box.v[3] = 13.0f;
    CQuat quat(1.0f, 2.0f, 3.0f, 4.0f);
    struct Case {
        sclass_t* value;
        size_t size;
        size_t floatOffset;  // where one telling float lies
        float expected;
    };
    const Case cases[] = {{&plane, 18, 4, -2.0f}, {&matrix, 64, 52, 13.0f}, {&box, 24, 12, 13.0f}, {&quat, 16, 12, 4.0f}};
    for (const Case& c : cases) {
        const auto bytes = Written(*c.value);
        ASSERT_EQ(bytes.size(), c.size);
        float value;
        std::memcpy(&value, bytes.data() + c.floatOffset, 4);
        EXPECT_EQ(value, c.expected) << c.size;
    }
    const auto planeBytes = Written(plane);
    EXPECT_EQ(planeBytes[7], 0xC0);  // -2.0f is 0xC0000000, little-endian
    EXPECT_EQ(planeBytes[16], 3);
    EXPECT_EQ(planeBytes[17], 2);

    plane_t readPlane;
    sfile_t source(planeBytes.data(), planeBytes.size());
    sstream_t in{&source, sstream_t::kRead};
    readPlane.Serialize(&in);
    EXPECT_EQ(std::memcmp(readPlane.normal, fields, 12), 0);
    EXPECT_EQ(readPlane.dist, 7.0f);
    EXPECT_EQ(readPlane.signbits, 2);
    EXPECT_FALSE(source.bShortRead);
    EXPECT_EQ(plane.GetClassRecord(), quat.GetClassRecord());
    EXPECT_STREQ(box.GetClassRecord()->pszName, "sclass_t");
}

TEST(ValueStreamTest, StreamsWithoutHolderOrModeMoveNothing) {
    const std::vector<uint8_t> bytes(64, 0xFF);
    for (uint32_t mode : {0u, 3u}) {
        sfile_t source(bytes.data(), bytes.size());
        sstream_t stream{&source, mode};
        CQuat quat(1.0f, 2.0f, 3.0f, 4.0f);
        quat.Serialize(&stream);
        EXPECT_EQ(quat.w, 1.0f);
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
    // Whole-block reads answer 1 only when every byte arrived.
    sfile_t shortSource(bytes.data(), 2);
    sstream_t shortStream{&shortSource, sstream_t::kRead};
    EXPECT_EQ(StreamReadBlock(&shortStream, &value, 4), 0);
    EXPECT_TRUE(shortSource.bShortRead);
}

TEST(ValueStreamTest, PlanesClassifyByTheirNormals) {
    struct Case {
        float normal[3];
        uint8_t type;
        uint8_t signbits;
    };
    const Case cases[] = {
        {{1.0f, 0.0f, 0.0f}, 0, 0},   {{0.0f, 1.0f, 0.0f}, 1, 0},  {{0.0f, 0.0f, 1.0f}, 2, 0},
        {{0.0f, 0.0f, -1.0f}, 3, 4},  {{-1.0f, 0.0f, 0.0f}, 3, 1}, {{0.6f, -0.8f, 0.0f}, 3, 2},
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

    // A triangle's plane faces along (p1 - p0) x (p2 - p1); points within 0.001 lie on it.
    const float corners[3][3] = {{0, 0, 2}, {3, 0, 2}, {0, 4, 2}};
    plane_t plane;
    PlaneFromTriangle(plane, corners[0], corners[1], corners[2]);
    EXPECT_EQ(plane.normal[2], 1.0f);
    EXPECT_EQ(plane.dist, 2.0f);
    EXPECT_EQ(plane.type, 2);
    const float points[3][3] = {{5, 5, 2.0015f}, {5, 5, 2.0005f}, {5, 5, 1.998f}};
    EXPECT_EQ(ClassifyPoint(plane, points[0]), kPointFront);
    EXPECT_EQ(ClassifyPoint(plane, points[1]), kPointOn);
    EXPECT_EQ(ClassifyPoint(plane, points[2]), kPointBack);
}

}  // namespace
