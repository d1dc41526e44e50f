#pragma once

// Reference images for rendering tests: small 24-bit BMP or PNG files of our own under
// tests/data (PNG for whole pages, which would be large as BMP), compared with a tolerance the
// test states. A reference is rewritten only when the test
// program runs with --update-references or with TARVEX_UPDATE_REFERENCES=1 in the
// environment; otherwise a missing or different reference fails the test.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <png.h>

namespace tarvex::test {

// Pixels as 0x00RRGGBB, rows top to bottom.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Widens 5- and 6-bit channels by repeating their top bits, so full scale stays full scale.
inline Image ImageFromRGB565(const void* memory, int width, int height, int pitch) {
    Image image{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(memory) +
                                                            static_cast<size_t>(y) * pitch);
        for (int x = 0; x < width; ++x) {
            const uint32_t p = row[x];
            const uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
            image.pixels[static_cast<size_t>(y) * width + x] =
                (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) | ((b << 3) | (b >> 2));
        }
    }
    return image;
}

inline Image ImageFromXRGB8888(const void* memory, int width, int height, int pitch) {
    Image image{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(memory) +
                                                            static_cast<size_t>(y) * pitch);
        for (int x = 0; x < width; ++x) {
            image.pixels[static_cast<size_t>(y) * width + x] = row[x] & 0x00FFFFFFu;
        }
    }
    return image;
}

namespace detail {

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline uint32_t Get16(const std::vector<uint8_t>& in, size_t at) {
    return in[at] | (static_cast<uint32_t>(in[at + 1]) << 8);
}

inline uint32_t Get32(const std::vector<uint8_t>& in, size_t at) {
    return Get16(in, at) | (Get16(in, at + 2) << 16);
}

inline size_t RowBytes(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }

}  // namespace detail

// A bottom-up 24-bit BMP with a 40-byte info header.
inline bool WriteBmp(const std::string& path, const Image& image) {
    const size_t rowBytes = detail::RowBytes(image.width);
    const uint32_t imageSize = static_cast<uint32_t>(rowBytes * image.height);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    detail::Put32(out, 54 + imageSize);
    detail::Put32(out, 0);
    detail::Put32(out, 54);
    detail::Put32(out, 40);
    detail::Put32(out, static_cast<uint32_t>(image.width));
    detail::Put32(out, static_cast<uint32_t>(image.height));
    detail::Put16(out, 1);
    detail::Put16(out, 24);
    detail::Put32(out, 0);
    detail::Put32(out, imageSize);
    detail::Put32(out, 2835);
    detail::Put32(out, 2835);
    detail::Put32(out, 0);
    detail::Put32(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint32_t p = image.At(x, y);
            out.push_back(static_cast<uint8_t>(p));
            out.push_back(static_cast<uint8_t>(p >> 8));
            out.push_back(static_cast<uint8_t>(p >> 16));
        }
        out.resize(out.size() + rowBytes - static_cast<size_t>(image.width) * 3, 0);
    }
    const std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
        if (!file.flush()) {
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return !error;
}

// Reads what WriteBmp writes (also top-down rows); anything else, or a file too short for its
// header's size, is refused.
inline bool ReadBmp(const std::string& path, Image& image) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    const std::vector<uint8_t> in((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (in.size() < 54 || in[0] != 'B' || in[1] != 'M' || detail::Get32(in, 14) < 40 ||
        detail::Get16(in, 28) != 24 || detail::Get32(in, 30) != 0) {
        return false;
    }
    const int32_t width = static_cast<int32_t>(detail::Get32(in, 18));
    int32_t height = static_cast<int32_t>(detail::Get32(in, 22));
    const bool topDown = height < 0;
    height = topDown ? -height : height;
    const uint32_t offset = detail::Get32(in, 10);
    if (width < 1 || width > 4096 || height < 1 || height > 4096) {
        return false;
    }
    const size_t rowBytes = detail::RowBytes(width);
    if (offset > in.size() || (in.size() - offset) / rowBytes < static_cast<size_t>(height)) {
        return false;
    }
    image = Image{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    for (int y = 0; y < height; ++y) {
        const size_t row = offset + rowBytes * static_cast<size_t>(topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const size_t at = row + static_cast<size_t>(x) * 3;
            image.pixels[static_cast<size_t>(y) * width + x] =
                in[at] | (static_cast<uint32_t>(in[at + 1]) << 8) | (static_cast<uint32_t>(in[at + 2]) << 16);
        }
    }
    return true;
}

// An 8-bit RGB PNG.
inline bool WritePng(const std::string& path, const Image& image) {
    if (image.width < 1 || image.height < 1)
        return false;
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(image.width) * 3 * image.height);
    for (uint32_t p : image.pixels) {
        rgb.push_back(static_cast<uint8_t>(p >> 16));
        rgb.push_back(static_cast<uint8_t>(p >> 8));
        rgb.push_back(static_cast<uint8_t>(p));
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    const bool written = png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
    png_image_free(&png);
    return written;
}

// Reads a PNG of any colour form as 8-bit RGB; pictures larger than 4096 x 4096 are refused.
inline bool ReadPng(const std::string& path, Image& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0)
        return false;
    if (png.width < 1 || png.width > 4096 || png.height < 1 || png.height > 4096) {
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr) == 0) {
        png_image_free(&png);
        return false;
    }
    const int width = static_cast<int>(png.width);
    const int height = static_cast<int>(png.height);
    image = Image{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint8_t* p = rgb.data() + i * 3;
        image.pixels[i] = (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
    }
    return true;
}

inline bool UpdateReferencesRequested() {
    const char* variable = std::getenv("TARVEX_UPDATE_REFERENCES");
    if (variable != nullptr && std::strcmp(variable, "1") == 0) {
        return true;
    }
    const std::vector<std::string> arguments = testing::internal::GetArgvs();
    return std::find(arguments.begin(), arguments.end(), "--update-references") != arguments.end();
}

// Same size, and at most `allowedPixels` pixels with a channel more than `channelTolerance`
// away from the reference.
inline testing::AssertionResult ImagesMatch(const Image& actual, const Image& expected,
                                            int channelTolerance, int allowedPixels) {
    if (actual.width != expected.width || actual.height != expected.height) {
        return testing::AssertionFailure() << "size " << actual.width << "x" << actual.height
                                           << ", reference " << expected.width << "x" << expected.height;
    }
    int differing = 0;
    int firstX = -1, firstY = -1;
    for (int y = 0; y < actual.height; ++y) {
        for (int x = 0; x < actual.width; ++x) {
            const uint32_t a = actual.At(x, y), e = expected.At(x, y);
            for (int shift = 0; shift <= 16; shift += 8) {
                const int da = static_cast<int>((a >> shift) & 0xFF), de = static_cast<int>((e >> shift) & 0xFF);
                if (std::abs(da - de) > channelTolerance) {
                    if (differing++ == 0) {
                        firstX = x;
                        firstY = y;
                    }
                    break;
                }
            }
        }
    }
    if (differing > allowedPixels) {
        return testing::AssertionFailure() << differing << " pixels differ by more than " << channelTolerance
                                           << " (allowed " << allowedPixels << "), first at (" << firstX
                                           << ", " << firstY << ")";
    }
    return testing::AssertionSuccess();
}

// Compares with tests/data/<relative>, or rewrites it when an update was asked for.
inline testing::AssertionResult MatchesReference(const Image& actual, const std::string& relative,
                                                 int channelTolerance, int allowedPixels) {
    const std::filesystem::path path = std::filesystem::path(TARVEX_TEST_DATA) / relative;
    const bool isPng = path.extension() == ".png";
    if (UpdateReferencesRequested()) {
        std::filesystem::create_directories(path.parent_path());
        if (!(isPng ? WritePng(path.string(), actual) : WriteBmp(path.string(), actual))) {
            return testing::AssertionFailure() << "cannot write " << path;
        }
        return testing::AssertionSuccess();
    }
    Image expected;
    if (!(isPng ? ReadPng(path.string(), expected) : ReadBmp(path.string(), expected))) {
        return testing::AssertionFailure() << "no readable reference " << path
                                           << " (run with --update-references to create it)";
    }
    return ImagesMatch(actual, expected, channelTolerance, allowedPixels);
}

}  // namespace tarvex::test
