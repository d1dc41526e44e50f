// Fuzz target of the model file as the game and the renderer open it: the input's leading part
// (see FolderFuzzSupport.h) as "model.ssm" in a folder with the input's files, its ".bsp" tree
// file among them. Read as the range loads its models (trees from the ".bsp" beside the file)
// and as the renderer loads a model it builds trees for itself (no ".bsp" read). A refused file
// leaves the model empty; a read one names its file, and its trees, where it has them, can be
// walked. Nothing may crash, leak or read past the files.
//
// The seeds in corpus/ssmo_file_fuzz/ are the demo's static models with their trees and models
// of our model writers, written by tools/fuzzseeds.
#include <cstdint>
#include <string>

#include "assets/models/BspTree.h"
#include "assets/models/SSMObject.h"
#include "tests/fuzz/FolderFuzzSupport.h"

namespace {

using fuzzsupport::Check;

constexpr const char* kTarget = "ssmo_file_fuzz";

void CheckRead(SSMObject& model, const std::string& path, bool treesRead) {
    const float points[][3] = {{0, 0, 0}, {1.5f, -2.0f, 8.0f}, {-300, 40, 300}};
    for (const auto& group : model.m_groups) {
        Check(treesRead || group->pRoot == nullptr);
        if (group->pRoot == nullptr)
            continue;
        for (const auto& point : points)
            BSPLocatePoint(point, group->pRoot);
    }
    Check(path == model.m_strFileName.GetString());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20))
        return 0;
    fuzzsupport::FolderInput input = fuzzsupport::SplitFolderInput(data, size);
    input.files.insert(input.files.begin(), fuzzsupport::FolderFile{"model.ssm", input.head});
    const fuzzsupport::InputFolder folder(kTarget, input.files);
    const std::string path = folder.Path() + "/model.ssm";
    for (const int built : {0, 1}) {
        SSMObject model;
        model.m_bBSPBuilt = static_cast<uint8_t>(built);
        if (model.LoadFile(path.c_str()) == 1) {
            CheckRead(model, path, built == 0);
        } else {
            Check(model.m_groups.empty() && model.m_frames.empty() && model.m_nVertices == 0);
        }
    }
    return 0;
}
