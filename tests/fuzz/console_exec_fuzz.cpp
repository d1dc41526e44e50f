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
#include <filesystem>
#include <string>

#include "sys/profile.h"
#include "tests/fuzz/HubFuzzSupport.h"

namespace {

using fuzzsupport::CheckAsFresh;
using fuzzsupport::HubState;
using fuzzsupport::RenewScriptState;

// The game lets a script run thousands of files; a script that runs itself twice would spend
// that many on every input here, so the target keeps to a few.
constexpr int kScriptFiles = 16;

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
