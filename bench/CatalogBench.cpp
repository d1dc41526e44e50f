// The resource catalog at the size of a large game: opening a catalog file of 10,000 items
// (read, then destroyed again, which lets every later resource forget each earlier one), and
// 10,000 lookups by kind and name in an open catalog.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/SCatalog.h"
#include "core/SResourceFactory.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"

namespace {

constexpr int kItemCount = 10000;

// A resource with a little data of its own in the catalog file, like a sprite or a button.
class BenchResource : public SResource {
public:
    void Serialize(CArchive& ar) override {
        SResource::Serialize(ar);
        if (ar.IsStoring())
            ar << m_dwValue << m_strText;
        else
            ar >> m_dwValue >> m_strText;
    }
    uint32_t m_dwValue = 0;
    CString m_strText;
};

// Images and sounds stay in their own files; the other kinds carry their data.
constexpr int kKindCycle[] = {kKindImage, kKindSound, kKindSprite, kKindButton, kKindImage,
                              kKindDialog, kKindFont, kKindSound, kKindScreen, kKindImage};

struct BenchCatalog {
    std::string path;
    std::vector<std::pair<int, CString>> lookups;  // data-carrying items, in random order

    BenchCatalog() {
        for (int nKind : {kKindSprite, kKindButton, kKindDialog, kKindFont, kKindScreen})
            SResourceFactory::RegisterKind<BenchResource>(nKind);
        path = (std::filesystem::temp_directory_path() / "tarvex_catalog_bench.cat").string();

        SCatalog catalog;
        catalog.SetDevRoot("C:\\Tarvex");
        for (int i = 0; i < kItemCount; ++i) {
            const int nKind = kKindCycle[i % std::size(kKindCycle)];
            CString strName;
            strName.Format("Item_%05d", i);
            CString strFolder = CString("C:\\Tarvex\\Data\\") + SResourceKinds::GetFolder(nKind);
            auto* pItem = new SCatalogItem(nKind, strName, strName, strFolder);
            pItem->AddString("state");
            if (SResourceFactory::GetCreator(nKind) != nullptr) {
                auto* pResource = new BenchResource;
                pResource->m_dwValue = static_cast<uint32_t>(i);
                pResource->m_strText = strName;
                pItem->SetResource(pResource);
                lookups.emplace_back(nKind, strName);
            }
            catalog.AddItem(pItem);
        }
        catalog.SetDevRoot("");
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        catalog.Serialize(ar);
        ar.Close();
        file.Close();

        std::mt19937 random(12345);
        std::shuffle(lookups.begin(), lookups.end(), random);
        // Every data-carrying item once, then again from the start until 10,000 lookups.
        const size_t nDistinct = lookups.size();
        for (size_t i = 0; lookups.size() < static_cast<size_t>(kItemCount); ++i)
            lookups.push_back(lookups[i % nDistinct]);
    }
    ~BenchCatalog() { std::filesystem::remove(path); }
};

BenchCatalog& Shared() {
    static BenchCatalog shared;
    return shared;
}

void BM_OpenCatalog(benchmark::State& state) {
    BenchCatalog& bench = Shared();
    for (auto _ : state) {
        auto catalog = std::make_unique<SCatalog>(bench.path.c_str());
        benchmark::DoNotOptimize(catalog->GetItems()->GetCount());
        state.PauseTiming();
        catalog.reset();
        state.ResumeTiming();
    }
    state.counters["items"] = kItemCount;
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(bench.path));
}
BENCHMARK(BM_OpenCatalog)->Unit(benchmark::kMillisecond);

void BM_OpenAndDestroyCatalog(benchmark::State& state) {
    BenchCatalog& bench = Shared();
    for (auto _ : state) {
        SCatalog catalog(bench.path.c_str());
        benchmark::DoNotOptimize(catalog.GetItems()->GetCount());
    }
}
BENCHMARK(BM_OpenAndDestroyCatalog)->Unit(benchmark::kMillisecond);

void BM_LookupByKindAndName(benchmark::State& state) {
    BenchCatalog& bench = Shared();
    SCatalog catalog(bench.path.c_str());
    int64_t nFound = 0;
    for (auto _ : state) {
        for (const auto& [nKind, strName] : bench.lookups) {
            SResource* pResource = catalog.GetResource(nKind, strName, CString(), 0);
            nFound += pResource != nullptr ? 1 : 0;
        }
    }
    if (nFound != static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bench.lookups.size()))
        state.SkipWithError("a lookup found nothing");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bench.lookups.size()));
    state.counters["lookups"] = static_cast<double>(bench.lookups.size());
}
BENCHMARK(BM_LookupByKindAndName)->Unit(benchmark::kMillisecond);

}  // namespace
