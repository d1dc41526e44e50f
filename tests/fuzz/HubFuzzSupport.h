#pragma once

// What the fuzz targets of console scripts share: a hub made once for the process, put back as
// a fresh one after every run (the configuration, the input object with its bindings, aliases
// and queued steps, the interpreter, the variable store, the display switches), and a check that
// everything else a script reaches is as the first run found it, so that a run's outcome
// depends on its input alone.

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
#include "tests/fuzz/FuzzSupport.h"

namespace fuzzsupport {

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
inline void RenewScriptState(SGameObjects& hub, const HubState& fresh) {
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

inline void CheckAsFresh(const SGameObjects& hub, const HubState& fresh) {
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

}  // namespace fuzzsupport
