// Fuzz target of the input settings archive: any bytes read as the settings, which a damaged
// file must leave as they were (defaults) with a class-library exception. Settings that read
// are written as configuration lines, their bindings' names, codes and aliases are looked up
// and resolved, and an input object given them runs and releases every binding by index and
// by name. They must store, read back and store again to the same bytes. Nothing may crash,
// leak or allocate for counts the bytes cannot hold.
//
// The seeds in corpus/input_settings_fuzz/ are settings stored by their own writer (the
// default bindings of the demo among them), written by the disabled test
// FuzzSeedsTest.DISABLED_WriteReaderFuzzSeeds in tests/tools.
#include <cstdint>
#include <string>
#include <vector>

#include "dx/input/SInputObj.h"
#include "dx/input/SInputObjSettings.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/Exceptions.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

std::vector<uint8_t> Store(SInputObjSettings& settings) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        settings.Serialize(ar);
        ar.Close();
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

void Load(SInputObjSettings& settings, std::vector<uint8_t> bytes) {
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    settings.Serialize(ar);
}

void Exercise(SInputObjSettings& settings) {
    std::string text;
    settings.WriteConfig([&text](const char* line) { text += line; });
    settings.WriteConfigPairs([&text](const char* line) { text += line; });
    settings.ListUnboundCommands();
    for (int i = 0; i < settings.GetCommandCount(); ++i) {
        const SInputObjCommand* command = settings.GetCommand(i);
        SInputObjSettings::KeyCodeToDisplayName(command->m_iKeyCode);
        SInputObjSettings::MouseCodeToConfigName(command->m_iMouseCode);
        SInputObjSettings::JoyCodeToDisplayName(command->m_iJoyCode);
        settings.FindCommandByCodes(command->m_iKeyCode, command->m_iMouseCode, command->m_iJoyCode);
        settings.WouldLoop(i, command->m_sName.GetString());
        settings.GetAliasText(i);
        for (int n = 0; n < settings.GetAliasCount(i); ++n) {
            SString resolved;
            settings.ResolveAlias(settings.GetAlias(i, n).GetString(), resolved);
        }
    }
}

void Run(const SInputObjSettings& settings) {
    int nExecuted = 0;
    SInputObj input([&nExecuted](const char*) { ++nExecuted; });
    input.GetSettings() = settings;
    for (int i = 0; i < settings.GetCommandCount(); ++i) {
        input.ExecuteCommand(i);
        input.ReleaseCommand(i);
        input.RunCommandLine(settings.GetCommand(i)->m_sName.GetString());
    }
    input.ResetState();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SInputObjSettings settings;
    const std::vector<uint8_t> defaults = Store(settings);
    try {
        Load(settings, std::vector<uint8_t>(data, data + size));
    } catch (const CException&) {
        fuzzsupport::Check(Store(settings) == defaults);
        return 0;
    }
    Exercise(settings);
    Run(settings);

    const std::vector<uint8_t> stored = Store(settings);
    SInputObjSettings again;
    Load(again, stored);
    fuzzsupport::Check(Store(again) == stored);
    return 0;
}
