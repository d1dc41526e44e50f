// The texture keyword language: value words in any case with their synonyms, argument words
// searched inside the text, the MIP level count against the format's depth, the colour-key
// overrides and the class filter limits.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "assets/textures/STexTag.h"
#include "render/texture/SD3D6TextureStates.h"

namespace {

using namespace texture_keys;

STexTagList Tags(const std::vector<std::pair<const char*, const char*>>& tags) {
    STexTagList list;
    for (const auto& [name, value] : tags) {
        list.SetTag(name, value);
    }
    return list;
}

SD3D6TextureStates Read(const STexTagList& tags, bool colourKey = false, uint32_t* sort = nullptr) {
    SD3D6TextureStates states;
    const SD3D6TextureStates unlimited;
    const uint32_t sortType = ReadStateKeys(tags, states, unlimited, colourKey);
    if (sort != nullptr) {
        *sort = sortType;
    }
    return states;
}

TEST(TextureKeywords, WordsAreCaseBlindAndUnknownWordsKeepThePreset) {
    struct Case {
        const char* key;
        const char* value;
        uint32_t SD3D6TextureStates::*field;
        uint32_t expected;
    };
    const Case cases[] = {
        {"TXT-RSZWrite", "No", &SD3D6TextureStates::dwZWriteEnable, 0},
        {"TXT-RSZWrite", "yess", &SD3D6TextureStates::dwZWriteEnable, 1},
        {"TXT-RSAlphaBlend", "YES", &SD3D6TextureStates::dwAlphaBlendEnable, 1},
        {"TXT-RSAlphaFunc", "GreaterEqual", &SD3D6TextureStates::dwAlphaFunc, 7},
        {"TXT-RSCull", "CounterClockwise", &SD3D6TextureStates::dwCullMode, 3},
        {"txt-rscull", "none", &SD3D6TextureStates::dwCullMode, 2},  // a key in another case is no key
        {"TXT-RSDstBlend", "InvSourceAlpha", &SD3D6TextureStates::dwDestBlend, 6},
        {"TXT-RSSrcBlend", "bothinvsrcalpha", &SD3D6TextureStates::dwSrcBlend, 13},
        {"TXT-TSColorOp", "ModulateInvColor_AddAlpha", &SD3D6TextureStates::dwColorOp, 21},
        {"TXT-TSAddress", "Wrap", &SD3D6TextureStates::dwAddress, 1},
        {"TXT-TSMagFilt", "Linear", &SD3D6TextureStates::dwMagFilter, 2},
        {"TXT-TSMIPFilt", "None", &SD3D6TextureStates::dwMipFilter, 1},
        {"TXT-TSMIPBias", "-2", &SD3D6TextureStates::dwMipBias, static_cast<uint32_t>(-2)},
        {"TXT-RSAlphaRef", "abc", &SD3D6TextureStates::dwAlphaRef, 0},
        {"TXT-TSColorArg1", "Texture|AlphaReplicate|Complement", &SD3D6TextureStates::dwColorArg1, 0x32},
        {"TXT-TSColorArg1", "diffuse complement", &SD3D6TextureStates::dwColorArg1, 0x10},
        {"TXT-TSColorArg1", "specular complement", &SD3D6TextureStates::dwColorArg1, 2},
        {"TXT-TSColorArg1", "texture current", &SD3D6TextureStates::dwColorArg1, 2},
        {"TXT-TSColorArg2", "texture current", &SD3D6TextureStates::dwColorArg2, 1},
    };
    for (const Case& c : cases) {
        const SD3D6TextureStates states = Read(Tags({{c.key, c.value}}));
        EXPECT_EQ(states.*c.field, c.expected) << c.key << " = " << c.value;
    }

    const SD3D6TextureStates flags =
        Read(Tags({{"TXT-Light", "No"}, {"TXT-Wire", "Enable"}, {"TXT-UVGen", "EnvMap"}, {"TXT-UV2Gen", "2"},
                   {"TXT-RepeatU", "4.5"}, {"TXT-Tint", "maybe"}}));
    EXPECT_EQ(flags.iLighting, 0);
    EXPECT_EQ(flags.iWireFrame, 1);
    EXPECT_EQ(flags.iTexGen1, 1);
    EXPECT_EQ(flags.iTexGen2, 2);
    EXPECT_EQ(flags.fRepeatU, 4.5f);
    EXPECT_EQ(flags.fRepeatV, 1.0f);
    EXPECT_EQ(flags.iTint, 1);
    EXPECT_EQ(flags.dwMipLevels, 0u);  // no maximum level once the states are read
}

TEST(TextureKeywords, TextureLevelKeys) {
    EXPECT_TRUE(ReadNoManage(Tags({{"TXT-NoManage", "maybe"}})));
    EXPECT_FALSE(ReadNoManage(Tags({{"TXT-NoManage", "No"}})));
    EXPECT_FALSE(ReadNoManage(Tags({})));
    EXPECT_FALSE(ReadFlag(Tags({{"TXT-IsTree", "maybe"}}), "TXT-IsTree", "No"));
    EXPECT_TRUE(ReadFlag(Tags({{"TXT-IsTree", "True"}}), "TXT-IsTree", "No"));
    EXPECT_EQ(ReadSurfaceHint(Tags({})), 0x80u);
    EXPECT_EQ(ReadSurfaceHint(Tags({{"TXT-D3DHint", "Static"}})), 8u);
    EXPECT_EQ(ReadSurfaceHint(Tags({{"TXT-D3DHint", "often"}})), 0x80u);
    const std::pair<const char*, uint32_t> levels[] = {{"-1", 5}, {"0", 1}, {"9", 5}, {"3", 3}};
    for (const auto& [value, expected] : levels) {
        EXPECT_EQ(ReadMipLevels(Tags({{"TXT-TSMIPLevels", value}}), 5), expected) << value;
    }
    EXPECT_EQ(ReadMipLevels(Tags({}), 4), 4u);
}

TEST(TextureKeywords, ColourKeyingAndClassLimitsOverrideTheTags) {
    const STexTagList tags = Tags({{"TXT-SortType", "Alpha"},
                                   {"TXT-RSAlphaBlend", "Yes"},
                                   {"TXT-RSAlphaTest", "Yes"},
                                   {"TXT-RSZWrite", "No"},
                                   {"TXT-TSMagFilt", "Anisotropic"}});
    uint32_t sort = 9;
    SD3D6TextureStates states = Read(tags, false, &sort);
    EXPECT_EQ(sort, 1u);
    EXPECT_EQ(states.dwAlphaBlendEnable, 1u);
    EXPECT_EQ(states.dwZWriteEnable, 0u);
    states = Read(tags, true, &sort);
    EXPECT_EQ(sort, 0u);
    EXPECT_EQ(states.dwAlphaBlendEnable, 0u);
    EXPECT_EQ(states.dwAlphaTestEnable, 0u);
    EXPECT_EQ(states.dwZWriteEnable, 1u);

    SD3D6TextureStates limits;
    limits.dwMagFilter = 2;
    limits.dwMinFilter = 2;
    limits.dwMipFilter = 2;
    SD3D6TextureStates limited;
    ReadStateKeys(Tags({{"TXT-TSMinFilt", "Point"}}), limited, limits, false);
    EXPECT_EQ(limited.dwMagFilter, 2u);
    EXPECT_EQ(limited.dwMinFilter, 1u);
    EXPECT_EQ(limited.dwMipFilter, 2u);
}

}  // namespace
