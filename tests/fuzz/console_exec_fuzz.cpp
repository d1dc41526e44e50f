// Fuzz target of console scripts: any bytes as a command file run through ExecFile on a hub of
// its own (the console's real host: the configuration, the input object's bindings and
// aliases, the variable store; no game-logic library), showing what ran (quietly for an input
// of odd length). Scripts may EXEC themselves (within the nesting limit) and whatever else they name
// in the scratch folder they run in. Nothing may crash, leak or hang.
//
// The hub is made once for the process: making and unmaking its game items (four tables of
// thousands of slots) costs more than most scripts take to run. After every run the target puts
// back what a script can change (the configuration, the input object with its bindings, aliases
// and queued steps, the interpreter, the variable store, the display switches) and checks that
// everything else a script reaches is as the first run found it, so that a run's outcome depends
// on its input alone.
//
// The seeds in corpus/console_exec_fuzz/ are the demo's command files and the configuration
// written by the configuration's own writer, written by the disabled test
// FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds in tests/tools.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CConfigData.h"
#include "app/SConsoleHostImpl.h"
#include "app/SGameItems.h"
#include "app/SGameObjects.h"
#include "core/SCommandInterpreter.h"
#include "core/SDataCollection.h"
#include "dx/input/SInputObj.h"
#include "sys/profile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzzsupport::Check;

// The game lets a script run thousands of files; a script that runs itself twice would spend
// that many on every input here, so the target keeps to a few.
constexpr int kScriptFiles = 16;

// What a table shows to its readers: its size, its high-water mark and every written slot.
struct TableState {
    int count = 0;
    int highWater = -1;
    std::vector<std::string> names, values;
    std::vector<uint32_t> tags;

    explicit TableState(const SDataCollection& table) : count(table.GetCount()), highWater(table.GetHighWater()) {
        for (int i = 0; i < count && i <= highWater; ++i) {
            names.emplace_back(table.GetName(i).GetString());
            values.emplace_back(table.GetValue(i).GetString());
            tags.push_back(table.GetTag(i));
        }
    }
    // Compared without copying, since it runs after every input.
    bool Matches(const SDataCollection& table) const {
        if (table.GetCount() != count || table.GetHighWater() != highWater)
            return false;
        for (size_t i = 0; i < names.size(); ++i) {
            const int index = static_cast<int>(i);
            if (std::strcmp(table.GetName(index).GetString(), names[i].c_str()) != 0 ||
                std::strcmp(table.GetValue(index).GetString(), values[i].c_str()) != 0 ||
                table.GetTag(index) != tags[i])
                return false;
        }
        return true;
    }
};

// What a fresh hub shows a script of everything the target does not make anew after a run,
// taken when the hub is made.
struct HubState {
    explicit HubState(const SGameObjects& hub)
        : variables(*hub.m_pVariables), table1(*hub.m_pGameItems->m_pTable1), commands(*hub.m_pGameItems->m_pCommands),
          table3(*hub.m_pGameItems->m_pTable3), soundNames(*hub.m_pGameItems->m_pSoundNames),
          showFps(hub.m_bShowFps), showInput(hub.m_bShowInput), showSoundStats(hub.m_bShowSoundStats),
          showLayout(hub.m_bShowLayout), clientIndex(hub.m_iClientIndex), objectCommands(hub.m_pGameItems->m_iFlag),
          folder(std::filesystem::current_path()), folderTime(std::filesystem::last_write_time(folder)) {}

    TableState variables, table1, commands, table3, soundNames;
    uint8_t showFps, showInput, showSoundStats, showLayout;
    int32_t clientIndex;
    int32_t objectCommands;
    // Scripts write no files and change no folder; a file made or removed would show in the
    // folder's time.
    std::filesystem::path folder;
    std::filesystem::file_time_type folderTime;
};

// A fresh configuration, input object and interpreter, as the hub makes them. The variable store
// is made anew only when a script changed it: filling a new one costs as much as a short script.
void RenewScriptState(SGameObjects& hub, const HubState& fresh) {
    delete hub.m_pInterpreter;
    hub.m_pInterpreter = new SCommandInterpreter(hub.m_pConsoleHost);
    delete hub.m_pConfig;
    hub.m_pConfig = new CConfigData;
    delete hub.m_pInput;
    SGameObjects* owner = &hub;
    hub.m_pInput = new SInputObj([owner](const char* text) { owner->ExecInputCommand(text); },
                                 [owner](int32_t a, int32_t b) { owner->SendAxisCommands(a, b); });
    hub.m_pConfig->m_pInputSettings = &hub.m_pInput->GetSettings();
    hub.m_pGameItems->m_pConfig = hub.m_pConfig;
    if (!fresh.variables.Matches(*hub.m_pVariables)) {
        delete hub.m_pVariables;
        hub.m_pVariables = new SDataCollection;
        hub.ResetLayoutFlags();
    }
    hub.m_bShowFps = fresh.showFps;
    hub.m_bShowInput = fresh.showInput;
    hub.m_bShowSoundStats = fresh.showSoundStats;
    hub.m_bShowLayout = fresh.showLayout;
    hub.m_iClientIndex = fresh.clientIndex;
}

void CheckAsFresh(const SGameObjects& hub, const HubState& fresh) {
    Check(fresh.variables.Matches(*hub.m_pVariables));
    Check(fresh.table1.Matches(*hub.m_pGameItems->m_pTable1));
    Check(fresh.commands.Matches(*hub.m_pGameItems->m_pCommands));
    Check(fresh.table3.Matches(*hub.m_pGameItems->m_pTable3));
    Check(fresh.soundNames.Matches(*hub.m_pGameItems->m_pSoundNames));
    Check(hub.m_pGameItems->m_iFlag == fresh.objectCommands && hub.m_pGameItems->m_pParser == nullptr);
    Check(hub.m_pGameDLL == nullptr && hub.m_pGraphics == nullptr && hub.m_pCatalog == nullptr);
    Check(std::filesystem::current_path() == fresh.folder);
    Check(std::filesystem::last_write_time(fresh.folder) == fresh.folderTime);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string script = [] {
        const std::string scratch = fuzzsupport::ScratchFolder("console_exec_fuzz");
        sys::profile::SetFile(scratch + "/profile.ini");
        std::filesystem::current_path(scratch);
        return scratch + "/script.cfg";
    }();
    fuzzsupport::WriteFile(script, data, size);

    // The first input also sees a hub made and unmade, so that the target still reaches that
    // code; a first call without input is libFuzzer's own, whose reach it does not count.
    static bool s_bHubMade = false;
    if (!s_bHubMade && size > 0) {
        const SGameObjects once;
        s_bHubMade = true;
    }
    static SGameObjects hub;
    static const HubState fresh(hub);

    SString response;
    hub.m_pInterpreter->SetExecFileLimit(kScriptFiles);
    hub.m_pInterpreter->ExecFile(SString("script.cfg"), response, size % 2 == 0);
    RenewScriptState(hub, fresh);
    CheckAsFresh(hub, fresh);
    return 0;
}
