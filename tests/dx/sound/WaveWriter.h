#pragma once

// Our own RIFF WAVE writer for the sound tests and the fuzz corpus: a format chunk of 16 or 18
// bytes, any extra chunks before the data (odd sizes get their pad byte), the data chunk, and
// ways to spoil a file (cut it short, overstate a size) for the failure cases.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace tarvex::test {

struct WaveSpec {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    uint32_t formatChunkSize = 16;  // 16, or 18 with an extra-size field of 0
    std::vector<std::pair<std::string, std::vector<uint8_t>>> chunksBeforeFormat;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> chunksBeforeData;
    std::vector<uint8_t> data;
    bool withFormat = true;
    bool withData = true;
};

inline void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

inline void PutChunk(std::vector<uint8_t>& out, const std::string& id, const std::vector<uint8_t>& body) {
    out.insert(out.end(), id.begin(), id.begin() + 4);
    PutU32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) {
        out.push_back(0);
    }
}

inline std::vector<uint8_t> MakeWave(const WaveSpec& spec) {
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    for (const auto& [id, bytes] : spec.chunksBeforeFormat) {
        PutChunk(body, id, bytes);
    }
    if (spec.withFormat) {
        std::vector<uint8_t> format;
        const uint32_t blockAlign = spec.channels * spec.bits / 8u;
        PutU16(format, spec.formatTag);
        PutU16(format, spec.channels);
        PutU32(format, spec.rate);
        PutU32(format, blockAlign * spec.rate);
        PutU16(format, blockAlign);
        PutU16(format, spec.bits);
        if (spec.formatChunkSize >= 18) {
            PutU16(format, 0);
        }
        PutChunk(body, "fmt ", format);
    }
    for (const auto& [id, bytes] : spec.chunksBeforeData) {
        PutChunk(body, id, bytes);
    }
    if (spec.withData) {
        PutChunk(body, "data", spec.data);
    }
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
    PutU32(file, static_cast<uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// Little-endian bytes of 16-bit samples.
inline std::vector<uint8_t> Samples16(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> out;
    for (int16_t s : samples) {
        PutU16(out, static_cast<uint16_t>(s));
    }
    return out;
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteWave(const std::string& path, const WaveSpec& spec) { WriteBytes(path, MakeWave(spec)); }

// Sets the size field at `at` (little-endian, 32 bits).
inline void PatchU32(std::vector<uint8_t>& bytes, size_t at, uint64_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A file of `fileSize` bytes that starts with `head` (a wave whose last chunk is "data", or
// nothing), grown by resizing, which costs no disk: the RIFF size and, when `dataSize` is not 0,
// the data chunk's size are set to cover the grown file.
inline void WriteGrownWave(const std::string& path, std::vector<uint8_t> head, uint64_t fileSize,
                           uint32_t dataSize = 0) {
    if (dataSize != 0) {
        PatchU32(head, head.size() - 4, dataSize);
        fileSize = head.size() + dataSize;
    }
    if (!head.empty())
        PatchU32(head, 4, fileSize - 8);
    WriteBytes(path, head);
    std::filesystem::resize_file(path, fileSize);
}

// A 16-bit mono wave of `frames` frames, sample i = (i % 100) * 100 - 5000.
inline WaveSpec RampWave(uint32_t frames, uint32_t rate = 22050) {
    WaveSpec spec;
    spec.rate = rate;
    std::vector<int16_t> samples;
    for (uint32_t i = 0; i < frames; ++i) {
        samples.push_back(static_cast<int16_t>(static_cast<int>(i % 100) * 100 - 5000));
    }
    spec.data = Samples16(samples);
    return spec;
}

}  // namespace tarvex::test
