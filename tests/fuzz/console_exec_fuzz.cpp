// Fuzz target of console scripts: any bytes as a command file run through ExecFile on a hub of
// its own (the console's real host: the configuration, the input object's bindings and
// aliases, the variable store; no game-logic library), showing what ran (quietly for an input
// of odd length). Scripts may EXEC themselves (within the nesting limit) and whatever else they name
// in the scratch folder they run in. Nothing may crash, leak or hang.
//
// The seeds in corpus/console_exec_fuzz/ are the demo's command files and the configuration
// written by the configuration's own writer, written by the disabled test
// FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds in tests/tools.
#include <cstdint>
#include <filesystem>
#include <string>

#include "app/SGameObjects.h"
#include "core/SCommandInterpreter.h"
#include "sys/profile.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        const std::string scratch = fuzzsupport::ScratchFolder("console_exec_fuzz");
        sys::profile::SetFile(scratch + "/profile.ini");
        std::filesystem::current_path(scratch);
        return scratch;
    }();
    fuzzsupport::WriteFile(folder + "/script.cfg", data, size);

    // One run a file: a script that runs itself runs 256 files, and a second run would only
    // take the quiet branch at that price again.
    SGameObjects hub;
    SString response;
    hub.m_pInterpreter->ExecFile(SString("script.cfg"), response, size % 2 == 0);
    return 0;
}
