// Fuzz target of the settings the game saves and its next start reads back. The input is up to
// three texts split at NUL bytes: console lines typed in a first start, a "startup.cfg" and a
// "defcmds.cfg". Each start is made as the game makes it on a hub of its own (no game-logic
// library): a fresh configuration and input object read "default.cfg", then "startup.cfg", then
// take the default commands of "defcmds.cfg"; the first start reads the file a first run
// writes, and its player types the console lines before it ends. What a start saves is the
// next one's "default.cfg". What the first and the second start save is each read by a fresh
// configuration alone, as a whole and without being set aside, and saved again to the same
// bytes: what the game saves, its next start reads the same. ("startup.cfg" and the default
// commands run again at every start and may well change what it read; the file itself may not.)
// An input whose save is refused (past what one start reads) is passed over. A mismatch aborts
// after printing both texts from where they part.
//
// The save also keeps what the bindings mean: every alias (a named command with steps: its
// name, steps, label and how it fires) and every input bound to something (by its kind and
// code: the name of its command, or its steps when unnamed, with the label and how it fires)
// of the state after the typed lines is in the state a fresh configuration reads from the save,
// and nothing more. Held to be the same on both sides:
// - an input whose command has neither name nor steps runs nothing, and is unbound;
// - a named command with neither steps nor an input is left out: the file has no line for one
//   (it is what UNBOUND lists, and the default commands come back at every start);
// - the order of the commands, since no two share a name or an input (it only orders the
//   commands of inputs pressed at the same moment).
// Names, steps and labels are compared byte for byte, case included. A mismatch aborts after
// printing what only one side holds.
//
// The seeds in corpus/settings_save_fuzz/ are bindings typed in orders that once read back
// otherwise, and the demo's command files with the configuration written by its own writer,
// written by the disabled test FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds in tests/tools, and
// inputs the campaign found.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "dx/input/SInputs.h"
#include "sys/profile.h"
#include "tests/fuzz/HubFuzzSupport.h"

namespace {

using fuzzsupport::Check;
using fuzzsupport::CheckAsFresh;
using fuzzsupport::HubState;
using fuzzsupport::RenewScriptState;

constexpr int kScriptFiles = 16;

struct Input {
    std::string typed, startup, defaults;
};

Input Split(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Input input;
    std::string* parts[] = {&input.typed, &input.startup, &input.defaults};
    size_t at = 0;
    for (std::string* part : parts) {
        const size_t end = std::min(text.find('\0', at), text.size());
        *part = text.substr(std::min(at, text.size()), end - std::min(at, text.size()));
        at = end + 1;
    }
    return input;
}

void WriteText(const char* name, const std::string& text) {
    fuzzsupport::WriteFile(name, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void Require(bool holds, const char* what, const std::string& settings) {
    if (holds)
        return;
    std::fprintf(stderr, "%s\n--- saved\n%s\n", what, settings.c_str());
    std::abort();
}

void CheckSame(const std::string& expected, const std::string& read, const char* what) {
    if (expected == read)
        return;
    size_t at = 0;
    while (at < expected.size() && at < read.size() && expected[at] == read[at])
        ++at;
    at = expected.rfind('\n', at) == std::string::npos ? 0 : expected.rfind('\n', at) + 1;
    std::fprintf(stderr, "%s\n--- saved\n%s\n--- read back and saved\n%s\n", what, expected.substr(at, 600).c_str(),
                 read.substr(at, 600).c_str());
    std::abort();
}

// One line for each alias and each bound input, sorted; see the header comment.
std::vector<std::string> Meaning(const SInputObjSettings& settings) {
    std::vector<std::string> lines;
    for (int i = 0; i < settings.GetCommandCount(); ++i) {
        const SInputObjCommand& command = *settings.GetCommand(i);
        const std::string name = command.m_sName.GetString();
        const std::string steps = command.GetStepsText().GetString();
        const std::string tail = " \"" + std::string(command.m_sDisplayName.GetString()) + "\" type " +
                                 std::to_string(command.m_iType);
        if (!name.empty() && !steps.empty())
            lines.push_back("alias " + name + " \"" + steps + "\"" + tail);
        if (name.empty() && steps.empty())
            continue;
        const int codes[] = {command.m_iKeyCode, command.m_iMouseCode, command.m_iJoyCode};
        for (int kind = 0; kind < 3; ++kind) {
            if (codes[kind] != -1)
                lines.push_back("input " + std::to_string(kind) + ":" + std::to_string(codes[kind]) + " \"" +
                                (name.empty() ? steps : name) + "\"" + tail);
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

void CheckMeaning(const std::vector<std::string>& typed, const std::vector<std::string>& read,
                  const std::string& settings) {
    if (typed == read)
        return;
    std::vector<std::string> lost, gained;
    std::set_difference(typed.begin(), typed.end(), read.begin(), read.end(), std::back_inserter(lost));
    std::set_difference(read.begin(), read.end(), typed.begin(), typed.end(), std::back_inserter(gained));
    std::fprintf(stderr, "the bindings read back differ\n--- typed only\n");
    for (const std::string& line : lost)
        std::fprintf(stderr, "%s\n", line.substr(0, 300).c_str());
    std::fprintf(stderr, "--- read back only\n");
    for (const std::string& line : gained)
        std::fprintf(stderr, "%s\n", line.substr(0, 300).c_str());
    Require(false, "", settings.substr(0, 4000));
}

// The settings one start reads from `settings` and saves at its end; empty when the save would
// be refused.
std::string Start(SGameObjects& hub, const HubState& fresh, const std::string& settings, const Input* input) {
    RenewScriptState(hub, fresh);
    hub.m_pInterpreter->SetExecFileLimit(kScriptFiles);
    WriteText("default.cfg", settings);
    // A saved file the next start sets aside as damaged would lose every setting in it.
    Require(CConfigData::CheckText("default.cfg") == CConfigData::kTextReadable, "set aside as damaged", settings);
    SString response;
    Require(hub.m_pInterpreter->ExecFile(SString("default.cfg"), response, false), "not read to its end", settings);
    if (input != nullptr) {
        hub.m_pInterpreter->ExecFile(SString("startup.cfg"), response, false);
        hub.ExecDefaultBindings();
    }
    const std::string saved = hub.m_pConfig->SavedText();
    return saved.size() > SCommandInterpreter::kMaxExecBytes ? std::string() : saved;
}

// Console lines as the console window hands them over, one at a time.
void Type(SGameObjects& hub, const std::string& lines) {
    for (size_t at = 0; at < lines.size();) {
        size_t end = std::min(lines.find('\n', at), lines.size());
        std::string line = lines.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        SString response;
        hub.m_pInterpreter->ExecuteLine(SString(line.c_str()), response);
        at = end + 1;
    }
}

// What a first run writes before it reads it: the detail level it picks and the default bindings.
std::string FirstRunSettings(SGameObjects& hub, const HubState& fresh) {
    RenewScriptState(hub, fresh);
    hub.m_pConfig->SetProfile(3);
    SInputs::SetDefaultBindings(*hub.m_pConfig->m_pInputSettings, 2);
    return hub.m_pConfig->SavedText();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The files each run writes are there before the hub takes the folder's time: written over
    // afterwards, they leave the folder as it was.
    static const bool s_bInFolder = [] {
        const std::string folder = fuzzsupport::ScratchFolder("settings_save_fuzz");
        sys::profile::SetFile(folder + "/profile.ini");
        std::filesystem::current_path(folder);
        for (const char* name : {"default.cfg", "startup.cfg", "defcmds.cfg"})
            WriteText(name, "");
        return true;
    }();
    Check(s_bInFolder);
    static SGameObjects hub;
    static const HubState fresh(hub);
    static const std::string firstRun = FirstRunSettings(hub, fresh);

    const Input input = Split(data, size);
    WriteText("startup.cfg", input.startup);
    WriteText("defcmds.cfg", input.defaults);

    Start(hub, fresh, firstRun, &input);
    Type(hub, input.typed);
    const std::string saved = hub.m_pConfig->SavedText();
    if (saved.size() <= SCommandInterpreter::kMaxExecBytes) {
        const std::vector<std::string> typed = Meaning(hub.m_pInput->GetSettings());
        CheckSame(saved, Start(hub, fresh, saved, nullptr), "the first start's settings read back");
        CheckMeaning(typed, Meaning(hub.m_pInput->GetSettings()), saved);
        const std::string second = Start(hub, fresh, saved, &input);
        if (!second.empty())
            CheckSame(second, Start(hub, fresh, second, nullptr), "the second start's settings read back");
    }
    RenewScriptState(hub, fresh);
    CheckAsFresh(hub, fresh);
    return 0;
}
