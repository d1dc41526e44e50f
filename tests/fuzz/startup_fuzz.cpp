// Fuzz target of what start-up reads before the first page: any bytes, the first line the
// program's command-line text and the rest the profile. The command line is parsed and asked
// for every switch and value start-up, the join and the dedicated server ask for (the "date"
// value read as a date), then its switches, values and plain words taken out. The display drivers (the headless
// machine's) select the choice the profile names; a choice selected whole and saved again
// must load again to the same driver, device and mode. Nothing may crash, leak or hang.
//
// The seeds in corpus/startup_fuzz/ are command lines as the launcher joins them and profiles
// written by the display choice's own writer, checked against their writers by
// ReaderSeedCorpusTest in tests/tools (TARVEX_UPDATE_REFERENCES=1 writes them anew).
#include <cstdint>
#include <string>

#include "core/SCommandLine.h"
#include "core/SDateUtil.h"
#include "dx/display/SDXDrawDrivers.h"
#include "sys/profile.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzzsupport::Check;

constexpr const char* kFlags[] = {"dedicated", "srv_log", "GameSpy"};
constexpr const char* kValues[] = {"connect", "name",      "password",  "map",       "date",     "time",
                                   "type",    "MOTD",      "srv_clean", "srv_death", "srv_flood", "srv_game",
                                   "srv_kills", "srv_time", "srv_logfile", "srv_maxplayers"};

void ReadCommandLine(const std::string& text) {
    SCommandLine line(text.c_str());
    line.Parse();
    const uint32_t count = line.GetCount();
    for (const char* key : kFlags) {
        bool flag = false;
        Check(line.GetFlag(flag, key, false) == flag);
    }
    for (const char* key : kValues) {
        std::string value;
        if (line.GetValue(key, value, false) && std::string(key) == "date") {
            const CTime date = ParseDate(value.c_str());
            Check(date.GetYear() >= 1971 && date.GetYear() <= 2038 && date.GetMonth() >= 1 && date.GetMonth() <= 12);
        }
    }
    std::string word;
    line.GetPlainWord(word, false);
    Check(line.GetCount() == count);

    // Taking an item out takes exactly that one.
    uint32_t left = count;
    const auto removed = [&line, &left](bool found) {
        if (found)
            Check(line.GetCount() == --left);
    };
    for (const char* key : kFlags) {
        bool flag = false;
        removed(line.GetFlag(flag, key, true));
    }
    for (const char* key : kValues) {
        std::string value;
        removed(line.GetValue(key, value, true));
    }
    while (line.GetPlainWord(word, true))
        removed(true);
}

void ReadDisplayChoice(const std::string& path, const uint8_t* data, size_t size) {
    static SDXDrawDrivers* s_pDrivers = [] {
        auto* drivers = new SDXDrawDrivers;
        Check(drivers->Enumerate() == 1);
        return drivers;
    }();
    fuzzsupport::WriteFile(path, data, size);
    SDXDrawDrivers& drivers = *s_pDrivers;
    if (drivers.LoadChoice() != 1 || drivers.SaveChoice() != 1)
        return;
    SDXDriverInfo* driver = drivers.GetDriver();
    SDXDeviceInfo* device = drivers.GetDevice();
    SDXModeInfo* mode = drivers.GetMode();
    Check(drivers.LoadChoice() == 1);
    Check(drivers.GetDriver() == driver && drivers.GetDevice() == device && drivers.GetMode() == mode);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string s_path = [] {
        const std::string path = fuzzsupport::ScratchFolder("startup_fuzz") + "/Tarvex.ini";
        sys::profile::SetFile(path);
        return path;
    }();
    if (size > 64 * 1024)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const size_t end = text.find('\n');
    ReadCommandLine(text.substr(0, end));
    const size_t profile = end == std::string::npos ? size : end + 1;
    ReadDisplayChoice(s_path, data + profile, size - profile);
    return 0;
}
