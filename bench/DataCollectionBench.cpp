// Lookup by name in value tables of the sizes the system uses (a few dozen settings, the
// game-command list of thousands), an object script of one long definition read whole, and
// engine-string formatting as the typed setters use it.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/SDataCollection.h"
#include "core/SObjectDef.h"
#include "core/SObjectParser.h"
#include "core/SString.h"

namespace {

std::vector<std::string> MakeNames(int count)
{
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        names.push_back("cmd_weapon_" + std::to_string(i * 7919 % 100003));
    return names;
}

void FillCollection(SDataCollection& c, const std::vector<std::string>& names)
{
    for (size_t i = 0; i < names.size(); ++i)
        c.SetOrAppendInt(names[i].c_str(), static_cast<int>(i));
}

// Looks up every name in turn (upper case, so the case-insensitive path is what is measured).
void BM_FindByName(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const std::vector<std::string> names = MakeNames(count);
    SDataCollection c(count, 32);
    FillCollection(c, names);
    std::vector<std::string> keys;
    for (const std::string& name : names) {
        std::string upper = name;
        for (char& ch : upper)
            ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
        keys.push_back(upper);
    }
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(c.FindByName(keys[next].c_str()));
        next = next + 1 == keys.size() ? 0 : next + 1;
    }
}
BENCHMARK(BM_FindByName)->Arg(32)->Arg(4096);

// A name that is not there walks the whole written range.
void BM_FindByNameAbsent(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    SDataCollection c(count, 32);
    FillCollection(c, MakeNames(count));
    for (auto _ : state)
        benchmark::DoNotOptimize(c.FindByName("no_such_command"));
}
BENCHMARK(BM_FindByNameAbsent)->Arg(32)->Arg(4096);

void BM_GetIntByName(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const std::vector<std::string> names = MakeNames(count);
    SDataCollection c(count, 32);
    FillCollection(c, names);
    const char* key = names[names.size() / 2].c_str();
    for (auto _ : state)
        benchmark::DoNotOptimize(c.GetIntByName(key));
}
BENCHMARK(BM_GetIntByName)->Arg(32)->Arg(4096);

// One OBJECT of N set lines of new names, as a hand-made equipment file may hold: every line
// looks its name up before appending it.
void BM_ParseLongObject(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tarvex_bench_object_" + std::to_string(lines) + ".cfg");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "OBJECT Equipment\r\n{\r\n";
        char line[64];
        for (int i = 0; i < lines; ++i) {
            std::snprintf(line, sizeof(line), "    set Item%05d \"InvPistol9mm\"\r\n", i);
            out << line;
        }
        out << "}\r\n";
    }
    for (auto _ : state) {
        SObjectDefList list;
        SObjectParser parser;
        parser.SetDefList(&list);
        parser.ParseFile(path.string().c_str());
        const SObjectDef* def = list.FindByName("Equipment");
        if (def == nullptr || def->GetHighWater() != lines - 1)
            state.SkipWithError("the definition was not read whole");
        list.ReleaseAll();
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_ParseLongObject)->Arg(4000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_SStringFormatInt(benchmark::State& state)
{
    SString s;
    int i = 0;
    for (auto _ : state) {
        s.Format("%d", ++i);
        benchmark::DoNotOptimize(s.GetString());
    }
}
BENCHMARK(BM_SStringFormatInt);

void BM_SStringFormatFloat(benchmark::State& state)
{
    SString s;
    float f = 0.0f;
    for (auto _ : state) {
        f += 0.25f;
        s.Format("%f", static_cast<double>(f));
        benchmark::DoNotOptimize(s.GetString());
    }
}
BENCHMARK(BM_SStringFormatFloat);

void BM_SStringFormatMixed(benchmark::State& state)
{
    SString s;
    const SString name("player.cfg");
    for (auto _ : state) {
        s.Format("Executed %s [%d commands]", name.GetString(), 42);
        benchmark::DoNotOptimize(s.GetString());
    }
}
BENCHMARK(BM_SStringFormatMixed);

}  // namespace
