// Archive speed: storing and loading an object list of 100,000 small objects through a file
// with the 4096-byte buffer the formats use, against a plain buffered read of the same bytes
// (4096-byte fread chunks). The counter "vs_plain_read" is the archive's time divided by the
// plain read's: what the object records, class lookups and allocations cost on top of moving
// the bytes. Storing also reports "vs_plain_write", against fwrite of the same bytes. Both
// sides of a ratio are the fastest of the iterations, so a busy machine disturbs it less.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/Collections.h"

namespace {

constexpr int kObjects = 100000;
constexpr int kBufferSize = 4096;

// A catalog-item-sized record: two words, a float and a short name.
class BenchItem : public CObject {
    DECLARE_SERIAL(BenchItem)

public:
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring())
            ar << m_kind << m_flags << m_weight << m_name;
        else
            ar >> m_kind >> m_flags >> m_weight >> m_name;
    }
    uint32_t m_kind = 0;
    int32_t m_flags = 0;
    float m_weight = 0;
    CString m_name;
};

IMPLEMENT_SERIAL(BenchItem, CObject, 1)

using Clock = std::chrono::steady_clock;

std::string BenchPath() {
    return (std::filesystem::temp_directory_path() / "tarvex_archive_bench.arc").string();
}

// The list to store, and its stored bytes in memory for the plain write.
struct Fixture {
    CObList list;
    std::vector<uint8_t> bytes;

    Fixture() {
        for (int i = 0; i < kObjects; ++i) {
            auto* item = new BenchItem;
            item->m_kind = static_cast<uint32_t>(i % 27);
            item->m_flags = i;
            item->m_weight = static_cast<float>(i) * 0.5f;
            item->m_name.Format("item%06d", i);
            list.AddTail(item);
        }
        const std::string path = BenchPath();
        {
            CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
            CArchive ar(&file, CArchive::store, kBufferSize);
            list.Serialize(ar);
            ar.Close();
        }
        std::FILE* in = std::fopen(path.c_str(), "rb");
        bytes.resize(static_cast<size_t>(std::filesystem::file_size(path)));
        if (in != nullptr) {
            bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in));
            std::fclose(in);
        }
    }
    ~Fixture() {
        while (!list.IsEmpty())
            delete list.RemoveHead();
        std::error_code ignored;
        std::filesystem::remove(BenchPath(), ignored);
    }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

double PlainRead(const std::string& path) {
    const auto start = Clock::now();
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr)
        return 0;
    std::setvbuf(in, nullptr, _IOFBF, kBufferSize);
    unsigned char chunk[kBufferSize];
    size_t total = 0;
    for (size_t got; (got = std::fread(chunk, 1, sizeof(chunk), in)) > 0;)
        total += got;
    std::fclose(in);
    benchmark::DoNotOptimize(total);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double PlainWrite(const std::string& path, const std::vector<uint8_t>& bytes) {
    const auto start = Clock::now();
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return 0;
    for (size_t at = 0; at < bytes.size(); at += kBufferSize)
        std::fwrite(bytes.data() + at, 1, std::min<size_t>(kBufferSize, bytes.size() - at), out);
    std::fclose(out);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_ArchiveLoad(benchmark::State& state) {
    Fixture& fixture = TheFixture();
    const std::string path = BenchPath();
    double archiveSeconds = 1e9;
    double plainSeconds = 1e9;
    for (auto _ : state) {
        const auto start = Clock::now();
        CObList loaded;
        {
            CFile file(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
            CArchive ar(&file, CArchive::load, kBufferSize);
            loaded.Serialize(ar);
        }
        archiveSeconds = std::min(archiveSeconds, std::chrono::duration<double>(Clock::now() - start).count());
        state.PauseTiming();
        if (loaded.GetCount() != kObjects)
            state.SkipWithError("wrong object count");
        while (!loaded.IsEmpty())
            delete loaded.RemoveHead();
        // The allocator tidies up the freed objects at its next large request; let that be
        // this one, outside both measurements.
        benchmark::DoNotOptimize(std::vector<char>(1 << 16).data());
        plainSeconds = std::min(plainSeconds, PlainRead(path));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fixture.bytes.size()));
    state.counters["vs_plain_read"] = plainSeconds > 0 ? archiveSeconds / plainSeconds : 0;
}
BENCHMARK(BM_ArchiveLoad)->Unit(benchmark::kMillisecond);

void BM_ArchiveStore(benchmark::State& state) {
    Fixture& fixture = TheFixture();
    const std::string path = BenchPath();
    double archiveSeconds = 1e9;
    double readSeconds = 1e9;
    double writeSeconds = 1e9;
    for (auto _ : state) {
        const auto start = Clock::now();
        {
            CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
            CArchive ar(&file, CArchive::store, kBufferSize);
            fixture.list.Serialize(ar);
            ar.Close();
        }
        archiveSeconds = std::min(archiveSeconds, std::chrono::duration<double>(Clock::now() - start).count());
        state.PauseTiming();
        readSeconds = std::min(readSeconds, PlainRead(path));
        writeSeconds = std::min(writeSeconds, PlainWrite(path, fixture.bytes));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kObjects);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fixture.bytes.size()));
    state.counters["vs_plain_read"] = readSeconds > 0 ? archiveSeconds / readSeconds : 0;
    state.counters["vs_plain_write"] = writeSeconds > 0 ? archiveSeconds / writeSeconds : 0;
}
BENCHMARK(BM_ArchiveStore)->Unit(benchmark::kMillisecond);

void BM_PlainBufferedRead(benchmark::State& state) {
    Fixture& fixture = TheFixture();
    const std::string path = BenchPath();
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainRead(path));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fixture.bytes.size()));
}
BENCHMARK(BM_PlainBufferedRead)->Unit(benchmark::kMillisecond);

}  // namespace
