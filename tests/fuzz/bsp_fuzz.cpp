// Fuzz target of the ".bsp" reader: any bytes as the tree file of a fixed two-group model. A
// file is either refused with the model left without trees, or read into trees that can be
// walked and that write and read back to the same bytes.
//
// Seeds in corpus/bsp_fuzz/ are written by our writers: see tests/assets/models/ModelSeeds.h
// and ModelSeedCorpusTest (TARVEX_UPDATE_REFERENCES=1 writes them).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tests/assets/models/ModelSeeds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    auto model = tarvex::test::BspFuzzModel();
    if (model->ReadBSP(data, size) != 1) {
        for (const auto& group : model->m_groups) {
            if (group->pRoot != nullptr || group->nodes.count != 0 || group->leaves.count != 1)
                std::abort();
        }
        return 0;
    }
    const float points[][3] = {{0, 0, 0}, {0.5f, -0.5f, 1}, {5.5f, 5.5f, 5.5f}, {-100, 100, -100}};
    for (const auto& group : model->m_groups) {
        for (const auto& point : points)
            BSPLocatePoint(point, group->pRoot);
    }
    const std::vector<uint8_t> written = model->WriteBSP();
    auto again = tarvex::test::BspFuzzModel();
    if (again->ReadBSP(written.data(), written.size()) != 1 || again->WriteBSP() != written)
        std::abort();
    return 0;
}
