// Fuzz target of the sound resources' file loads: a catalog (the input's leading part, see
// FolderFuzzSupport.h) of sound emitters and waves with the folder of files they name (the
// input's files), searched for and taken as the catalog's root in turn. Every entry is taken
// and given back; an emitter is also loaded from the folder and from a search list holding a
// folder that does not exist before it. An emitter loads only when its first file is a file of
// the folder, and then keeps the folder. Nothing may crash, leak or hang.
//
// The seeds in corpus/sound_emitter_fuzz/ are catalogs of emitters and waves of the sound
// resources' own writers with the demo's interface tones, written by tools/fuzzseeds.
#include <cstdint>
#include <filesystem>
#include <string>

#include "dx/sound/SSoundEmitter.h"
#include "dx/sound/SWave.h"
#include "sys/fs/fs.h"
#include "tests/fuzz/FolderCatalogFuzzSupport.h"
#include "tests/fuzz/FolderFuzzSupport.h"

namespace {

using fuzzsupport::Check;

constexpr const char* kTarget = "sound_emitter_fuzz";

// Names are matched as the program matches them on this machine: "\\" as "/", case ignored.
bool IsFileIn(const std::string& folder, const CString& name) {
    std::error_code error;
    return std::filesystem::is_regular_file(sys::fs::NativePath(folder + "/" + name.GetString()), error);
}

void LoadEmitter(SSoundEmitter& emitter, const std::string& folder) {
    const bool found = emitter.GetFiles().GetSize() > 0 && IsFileIn(folder, emitter.GetFileName(0));
    Check(emitter.LoadFromFile(folder.c_str(), 0) == found);
    Check(!found || emitter.GetFolder() == folder.c_str());
    Check(!emitter.LoadFromMemory(nullptr, 0));
    CStringArray folders;
    folders.Add((folder + "/missing").c_str());
    folders.Add(folder.c_str());
    Check(emitter.LoadFromMemory(&folders, 0) == found);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool s_bRegistered = [] {
        RegisterSoundResourceKinds();
        return true;
    }();
    (void)s_bRegistered;
    if (size > (1u << 20) || fuzzsupport::ClimbsOut(data, size))
        return 0;
    const fuzzsupport::FolderInput input = fuzzsupport::SplitFolderInput(data, size);
    const fuzzsupport::InputFolder folder(kTarget, input.files);
    for (const bool asRoot : {false, true}) {
        SCatalog catalog;
        if (!fuzzsupport::LoadCatalog(catalog, input.head))
            return 0;
        fuzzsupport::FindFilesIn(catalog, folder.Path(), asRoot);
        fuzzsupport::AcquireEach(catalog, 0, [&](SResource* pResource) {
            if (auto* pEmitter = dynamic_cast<SSoundEmitter*>(pResource))
                LoadEmitter(*pEmitter, folder.Path());
        });
    }
    return 0;
}
