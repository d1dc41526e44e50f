#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/models/SModel.h"
#include "render/outdoor/SRendererCatalogAdapter.h"

namespace {

// A stored model's frame list may hold an empty entry; it names no file, and the frames after
// it keep their places.
TEST(RendererCatalogAdapterTest, FrameTextsOfAModelWithAnEmptyFrameEntry) {
    SModel model;
    for (const char* name : {"SSM:StaticModel-Hut--22-0", "", "Stand"}) {
        SModelFrame* frame = nullptr;
        if (name[0] != '\0') {
            frame = new SModelFrame;
            frame->m_strName = name;
        }
        model.AddFrame(frame);
    }
    SRendererCatalogAdapter adapter;
    std::vector<SString> texts;
    adapter.GetModelFrameTexts(&model, texts);
    std::vector<std::string> seen;
    for (const SString& text : texts)
        seen.emplace_back(text.GetString());
    EXPECT_EQ(seen, (std::vector<std::string>{"SSM:StaticModel-Hut--22-0", "", "Stand"}));
}

}  // namespace
