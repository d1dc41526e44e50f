// Fuzz target of the "SSMO" reader: any bytes as a model file. A model that loads must store
// and load back to the same bytes, survive the renderer's preparation (axes, welding, bounds,
// markers, tables), get its trees built and written and read back, and keep its handles safe
// when it is cleared. Anything else (a crash, another exception, a leak) is a finding.
//
// Seeds in corpus/ssmo_fuzz/ are written by our writers: see tests/assets/models/ModelSeeds.h
// and ModelSeedCorpusTest (TARVEX_UPDATE_REFERENCES=1 writes them).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/models/SSMHandle.h"
#include "assets/models/SSMObject.h"
#include "tests/assets/models/ModelSamples.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    SSMObject model;
    if (!tarvex::test::LoadModel(model, std::vector<uint8_t>(data, data + size))) {
        if (!model.m_groups.empty() || !model.m_frames.empty() || model.m_nVertices != 0)
            std::abort();  // a refused file must leave nothing behind
        return 0;
    }
    const std::vector<uint8_t> stored = tarvex::test::StoreModel(model);
    {
        SSMObject again;
        if (!tarvex::test::LoadModel(again, stored) || tarvex::test::StoreModel(again) != stored)
            std::abort();
    }

    SSMHandle* handle = model.CreateHandle();
    handle->SetCurrentGroup(handle->FindGroup("Normal"));
    handle->SetSkin(0, 0);
    handle->SetAnimated(1);
    handle->GetGroupFrameRecord(0, static_cast<int16_t>(0xFFFF));

    const uint8_t order[3] = {1, 2, 0};
    const float scales[3] = {-1.0f, 1.0f, 1.0f};
    model.RemapAxes(order, scales);
    model.WeldVertices();
    model.PostLoad();

    if (!model.m_frames.empty() && model.m_triangles.size() <= 2000) {
        model.m_nBSPVertices = static_cast<uint32_t>(model.m_nVertices);
        const std::vector<float>& positions = model.m_frames[0]->positions;
        for (size_t i = 0; i + 2 < positions.size(); i += 3) {
            model.m_bspVertices.insert(model.m_bspVertices.end(), positions.begin() + static_cast<std::ptrdiff_t>(i),
                                       positions.begin() + static_cast<std::ptrdiff_t>(i + 3));
            model.m_bspVertices.insert(model.m_bspVertices.end(), {0.0f, 0.0f, 0.0f});
        }
        for (auto& group : model.m_groups)
            group->flags |= kGroupHasBsp;
        if (tarvex::test::BuildTrees(model) != 1)
            std::abort();
        const std::vector<uint8_t> trees = model.WriteBSP();
        if (model.ReadBSP(trees.data(), trees.size()) != 1 || model.WriteBSP() != trees)
            std::abort();
    }

    model.Clear();
    if (handle->GetModel() != nullptr || handle->GetCurrentGroup() != -1)
        std::abort();
    delete handle;
    return 0;
}
