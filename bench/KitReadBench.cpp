// Kit files read per block: a chain of blocks each derived from the one before, at lengths four
// times apart. The time per block stays flat when reading is in proportion to the file's length.

#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "core/SObjectDef.h"
#include "core/SObjectParser.h"

namespace {

std::string WriteChain(int blocks) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("tarvex_kit_bench_" + std::to_string(blocks) + ".cfg")).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "OBJECT O0\n{\nset a \"1\"\n}\n";
    for (int i = 1; i < blocks; ++i)
        out << "OBJECT O" << i << ":O" << i - 1 << "\n{\nset a \"1\"\n}\n";
    return path;
}

void BM_ReadDerivedChain(benchmark::State& state) {
    const int blocks = static_cast<int>(state.range(0));
    const std::string path = WriteChain(blocks);
    for (auto _ : state) {
        SObjectDefList list;
        SObjectParser parser;
        parser.SetDefList(&list);
        parser.ParseFile(path.c_str());
        parser.SetDefList(nullptr);
        benchmark::DoNotOptimize(list.GetCount());
        list.DeleteAll();
    }
    state.SetItemsProcessed(state.iterations() * blocks);
    std::filesystem::remove(path);
}
BENCHMARK(BM_ReadDerivedChain)->Arg(10000)->Arg(40000)->Arg(160000)->Unit(benchmark::kMillisecond);

}  // namespace
