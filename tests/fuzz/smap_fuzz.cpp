// Feeds arbitrary bytes to the scenario map reader. A damaged map must end in a class-library
// exception and leave the map unusable; a usable one must answer height and tag queries and,
// when its length is a multiple of 4096 large enough to carry grids, survive the outdoor world's
// use of them (the border wall, the water states and the cut of the water cells). Anything else
// (a crash, another exception, a sanitizer report) is a finding.
//
// The seeds in corpus/smap_fuzz/ are written by our map writer, through the disabled test
// MapWriterTest.DISABLED_WriteSmapFuzzSeeds in tests/tools. Whole maps, whose cell table alone
// takes 2.75 MB, are too large to keep there: the demo Home's maps join them (see
// CMakeLists.txt).
#include <cstdint>
#include <cstdlib>

#include "render/map/SHuntWorld.h"
#include "render/map/SMapKR5.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"

namespace {

void Check(bool bCondition) {
    if (!bCondition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The reader copies the file whole before it reads; the memory file only lends it the bytes.
    CMemFile file(const_cast<uint8_t*>(data), static_cast<unsigned>(size));
    SMapKR5 map;
    try {
        CArchive ar(&file, CArchive::load, 0x40000);
        map.Serialize(ar);
    } catch (const CException&) {
        Check(!map.IsUsable());
        return 0;
    }
    if (!map.IsUsable()) {
        Check(map.m_Tags.GetSize() == 0);
        return 0;
    }
    SMapKR5Tag tag;
    for (int i = 0; i < map.m_Tags.GetSize(); ++i) {
        Check(map.FindTag(map.m_Tags[i].m_sName.GetString(), &tag) == 1);
    }
    for (float x : {-1.0f, 0.0f, 300.5f, 65278.0f, 1e30f}) {
        map.HeightAt(x, 700.25f);
    }
    for (int i = 0; i < map.m_Zones.GetSize(); ++i) {
        delete map.m_Zones[i]->Clone();
    }
    // Only an input that can hold a grid record gives the outdoor tables anything new; the
    // rest would rebuild the same flat world. Building the world costs some thirty times what
    // reading the map does, and every world-building input the fuzzer keeps would be run again
    // and again, so only one length in 4096 builds it: the grid seeds are padded to one, and
    // the mutations that change a length reach others often enough.
    if (size < 65536 * 4 || size % 4096 != 0) {
        return 0;
    }
    // One world serves every run: it is 10 MB of tables, and what TakeGrids and
    // ClipTileAtHeight read they first write (the grids, the water states, the cut pieces), so
    // no run sees what an earlier one left.
    static SHuntWorld* const world = new SHuntWorld;
    world->TakeGrids(map);
    world->ClipTileAtHeight();
    Check(world->m_iTileVertexCount >= 0);
    return 0;
}
