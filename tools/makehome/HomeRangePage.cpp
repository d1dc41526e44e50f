// The in-game page of the demo Home folder and the target range it plays on. The page has no
// picture of its own: the 3D view and the heads-up display show through it.

#include <algorithm>

#include "core/SResource.h"
#include "tools/makehome/HomeOutdoor.h"
#include "tools/makehome/HomeRangeTarget.h"
#include "tools/makehome/HomeSet.h"
#include "ui/SScreen.h"

namespace {

// Where an officer's target range looks for its map.
constexpr const char* kRangeMapPath = "Maps/targetrange.gmx";

}  // namespace

void HomeSet::AddGamePage() {
    auto* pPage = new SScreen;
    pPage->Create(nullptr, "", 0, sys::RECT{0, 0, 640, 480}, nullptr, 0, nullptr);
    AddLayout(kKindScreen, "View", "GameScreen", pPage);

    // The range is played on the demo's outdoor map.
    const auto outdoor = std::find_if(m_Files.begin(), m_Files.end(),
                                      [](const File& file) { return file.path == home_outdoor::kMapPath; });
    if (outdoor != m_Files.end()) {
        File copy{kRangeMapPath, outdoor->bytes};
        m_Files.push_back(std::move(copy));
    }
    for (auto& [path, bytes] : home_range::BuildTargetFiles())
        m_Files.push_back(File{path, std::move(bytes)});
}
