// Fuzz target of the officer file as the hub reads it at start-up: any bytes as "player.cfg" in
// the working folder, read through the hub's player list (a copy read in place of the file,
// the records through the front end's officer records). A file that reads must give the
// records the officer list's own reader gives, and a second request must answer the same list
// without reading again; a damaged one must leave the list empty, be kept aside as
// "player.cfg.bad" byte for byte, and be told of once. No copy may be left behind. Anything
// else (a crash, a sanitizer report, a leak) is a finding.
//
// The seeds in corpus/player_file_fuzz/ are officer files written by the officer list's own
// writer, those of corpus/officer_file_fuzz/, checked by ReaderSeedCorpusTest in tests/tools
// (TARVEX_UPDATE_REFERENCES=1 writes them anew).
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/SGameObjects.h"
#include "frontend/career/SHunterInfoList.h"
#include "frontend/career/SOfficerRecords.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/profile.h"
#include "sys/window/headless/headless_dialogs.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

namespace fs = std::filesystem;
using fuzzsupport::Check;

// How many records the officer list's reader takes from the bytes; -1 when it refuses them.
int RecordsIn(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    SHunterInfoList list;
    try {
        CArchive ar(&file, CArchive::load);
        list.Serialize(ar);
    } catch (const CException&) {
        return -1;
    }
    return list.GetCount();
}

std::vector<uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path s_folder = [] {
        const std::string folder = fuzzsupport::ScratchFolder("player_file_fuzz");
        sys::profile::SetFile(folder + "/profile.ini");
        fs::current_path(folder);
        SOfficerRecords::Install();
        return fs::path(folder);
    }();
    std::error_code error;
    fs::remove(s_folder / "player.cfg.bad", error);
    fuzzsupport::WriteFile((s_folder / "player.cfg").string(), data, size);
    sys::dialogs::headless::Reset();

    SGameObjects* hub = SGameObjects::Instance();
    hub->m_bHomeReadOnly = 0;
    SHunterInfoList* list = hub->LoadPlayerList(true);
    Check(list != nullptr && !fs::exists(s_folder / SGameObjects::kPlayerTempFile));
    const int expected = RecordsIn(data, size);
    if (expected < 0) {
        Check(list->GetCount() == 0 && hub->m_pCurrentPlayer == nullptr);
        Check(!fs::exists(s_folder / "player.cfg"));
        const std::vector<uint8_t> aside = ReadFile(s_folder / "player.cfg.bad");
        Check(aside == std::vector<uint8_t>(data, data + size));
        Check(sys::dialogs::headless::Shown().size() == 1);
    } else {
        Check(list->GetCount() == expected && sys::dialogs::headless::Shown().empty());
        Check((expected > 0) == (hub->m_pCurrentPlayer != nullptr));
        fs::remove(s_folder / "player.cfg");
        Check(hub->LoadPlayerList(false) == list);
    }
    return 0;
}
