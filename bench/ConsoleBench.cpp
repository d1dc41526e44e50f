// Console lines dispatched per second for the mix that input and scripts produce: a SET of a
// configuration variable, a hold-type game command and an input alias, over command lists of
// the sizes a game has (a hundred game commands, sixty input commands). Once with the recording
// host of the tests and once on the real hub (configuration, input object, game items). Then
// start-up scripts of thousands of bindings, per line, at two lengths ten times apart.

#include <cstdio>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "app/SConsoleHostImpl.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SCommandInterpreter.h"
#include "core/SDataCollection.h"
#include "dx/input/SInputObj.h"
#include "sys/profile.h"
#include "tests/core/ConsoleTestSupport.h"

namespace {

constexpr int kGameCommands = 100;
constexpr int kInputCommands = 60;

const SString kLines[] = {SString("set snd_enabled \"1\""), SString("+fire 1"), SString("runjump")};

// The recording host without its log, so that millions of lines cost no memory.
class CountingHost : public consoletest::FakeConsoleHost {
public:
    int DoCommand(int, int, const char*) override { return ++calls; }
    bool ParseCommand(const char*) override { return ++calls > 0; }
    void ExecuteInputCommand(int) override { ++calls; }
    bool SetConfigVariable(const char*, const char*) override { return ++calls > 0; }
    long calls = 0;
};

// The real hub with the input object's alias queue left out: the queue drains only when the
// devices are read, which no benchmark loop does.
class HubHost : public SConsoleHostImpl {
public:
    using SConsoleHostImpl::SConsoleHostImpl;
    void ExecuteInputCommand(int) override { ++calls; }
    long calls = 0;
};

void FillGameCommands(SDataCollection& commands) {
    for (int i = 0; i < kGameCommands; ++i)
        commands.SetOrAppend(("gamecmd" + std::to_string(i)).c_str(), "0", 0);
    commands.SetOrAppend("fire", "0", 0);
}

template <typename Host>
void RunMix(benchmark::State& state, SCommandInterpreter& console, Host& host) {
    SString response;
    size_t next = 0;
    for (auto _ : state) {
        response.Empty();
        benchmark::DoNotOptimize(console.ExecuteLine(kLines[next], response));
        next = next == 2 ? 0 : next + 1;
    }
    benchmark::DoNotOptimize(host.calls);
    state.SetItemsProcessed(state.iterations());
}

void BM_ConsoleMixFakeHost(benchmark::State& state) {
    CountingHost host;
    FillGameCommands(host.gameCommands);
    host.configValues = {{"snd_enabled", "1"}};
    for (int i = 0; i < kInputCommands; ++i)
        host.AddAliasCommand(("inputcmd" + std::to_string(i)).c_str(), {});
    host.AddAliasCommand("runjump", {"+run", "jump", "-run"});
    SCommandInterpreter console(&host);
    RunMix(state, console, host);
}
BENCHMARK(BM_ConsoleMixFakeHost);

void BM_ConsoleMixRealHub(benchmark::State& state) {
    const std::filesystem::path saved = std::filesystem::current_path();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tarvex_console_bench";
    std::filesystem::create_directories(folder);
    sys::profile::SetFile((folder / "profile.ini").string());
    {
        SGameObjects hub;
        HubHost host(hub);
        FillGameCommands(*hub.m_pGameItems->m_pCommands);
        for (int i = 0; i < kInputCommands; ++i)
            hub.m_pInput->AddCommand(("inputcmd" + std::to_string(i)).c_str(), "", 1, -1, -1, -1);
        const int alias = hub.m_pInput->AddCommand("runjump", "Run And Jump", 1, -1, -1, -1);
        hub.m_pInput->AddAlias(alias, "+run");
        hub.m_pInput->AddAlias(alias, "jump");
        hub.m_pInput->AddAlias(alias, "-run");
        SCommandInterpreter console(&host);
        RunMix(state, console, host);
    }
    sys::profile::SetFile("");
    std::filesystem::current_path(saved);
}
BENCHMARK(BM_ConsoleMixRealHub);

// Start-up scripts of many bindings, each line binding a new command: "default.cfg" run into
// the live input object, and "defcmds.cfg" run into a scratch one and merged into the live one.
// The figure per line (items per second) should not fall as the script grows.
class BindScript {
public:
    explicit BindScript(const std::string& text) {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "tarvex_console_bench_script";
        std::filesystem::create_directories(folder);
        sys::profile::SetFile((folder / "profile.ini").string());
        m_saved = std::filesystem::current_path();
        std::filesystem::current_path(folder);
        for (const char* name : {"script.cfg", "Home/defcmds.cfg"}) {
            std::filesystem::create_directories(folder / "Home");
            FILE* file = std::fopen((folder / name).string().c_str(), "wb");
            std::fwrite(text.data(), 1, text.size(), file);
            std::fclose(file);
        }
    }
    ~BindScript() {
        sys::profile::SetFile("");
        std::filesystem::current_path(m_saved);
    }

private:
    std::filesystem::path m_saved;
};

// Each line binds the same button to a new named command.
std::string NamedBindLines(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += "bind mouse1 \"fire" + std::to_string(i) + "\" \"Fire" + std::to_string(i) + "\"\n";
    return text;
}

// Half as many aliases, then each line binds the same key to steps of its own: a new unnamed
// command that takes the key from the one before, which goes.
std::string StepBindLines(int lines) {
    std::string text;
    for (int i = 0; i < lines / 2; ++i)
        text += "alias a" + std::to_string(i) + " \"x;y\"\n";
    for (int i = 0; i < lines; ++i)
        text += "bind k \"a;b\"\n";
    return text;
}

// Runs the bind script made for the state's length into a hub whose commands are emptied
// before every pass, timing only what `read` does with it.
template <typename Read>
void TimeBindScript(benchmark::State& state, Read read, std::string (*lines)(int) = NamedBindLines) {
    const BindScript script(lines(static_cast<int>(state.range(0))));
    SGameObjects hub;
    for (auto _ : state) {
        state.PauseTiming();
        hub.m_pInput->GetSettings().RemoveAllCommands();
        state.ResumeTiming();
        read(hub);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void RunScriptIntoLiveInput(SGameObjects& hub) {
    SString response;
    hub.m_pInterpreter->ExecFile(SString("../script.cfg"), response, false);
}

void BM_BindScriptIntoLiveInput(benchmark::State& state) { TimeBindScript(state, RunScriptIntoLiveInput); }
BENCHMARK(BM_BindScriptIntoLiveInput)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_StepBindsAfterAliases(benchmark::State& state) {
    TimeBindScript(state, RunScriptIntoLiveInput, StepBindLines);
}
BENCHMARK(BM_StepBindsAfterAliases)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_DefaultBindingsMerge(benchmark::State& state) {
    TimeBindScript(state, [](SGameObjects& hub) { hub.ExecDefaultBindings(); });
}
BENCHMARK(BM_DefaultBindingsMerge)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
