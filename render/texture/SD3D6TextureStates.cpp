#include "render/texture/SD3D6TextureStates.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "assets/textures/STexTag.h"
#include "sys/classlib/CString.h"

namespace texture_keys {

namespace {

struct Word {
    const char* text;
    uint32_t value;
};

using Words = std::initializer_list<Word>;

const Words kComparison = {{"never", 1},   {"less", 2},     {"equal", 3},        {"lessequal", 4},
                           {"greater", 5}, {"notequal", 6}, {"greaterequal", 7}, {"always", 8}};

const Words kBlend = {{"zero", 1},
                      {"one", 2},
                      {"srccolor", 3},
                      {"sourcecolor", 3},
                      {"invsrccolor", 4},
                      {"invsourcecolor", 4},
                      {"srcalpha", 5},
                      {"sourcealpha", 5},
                      {"invsrcalpha", 6},
                      {"invsourcealpha", 6},
                      {"destalpha", 7},
                      {"dstalpha", 7},
                      {"invdestalpha", 8},
                      {"invdstalpha", 8},
                      {"destcolor", 9},
                      {"dstcolor", 9},
                      {"invdestcolor", 10},
                      {"invdstcolor", 10},
                      {"srcalphasat", 11},
                      {"sourcealphasat", 11},
                      {"bothsrcalpha", 12},
                      {"bothsourcealpha", 12},
                      {"bothinvsrcalpha", 13},
                      {"bothinvsourcealpha", 13}};

const Words kTextureOp = {{"disable", 1},
                          {"selectarg1", 2},
                          {"selectarg2", 3},
                          {"modulate", 4},
                          {"modulate2x", 5},
                          {"modulate4x", 6},
                          {"add", 7},
                          {"addsigned", 8},
                          {"addsigned2x", 9},
                          {"subtract", 10},
                          {"addsmooth", 11},
                          {"blenddiffusealpha", 12},
                          {"blendtexturealpha", 13},
                          {"blendfactoralpha", 14},
                          {"blendtexturealphapm", 15},
                          {"blendcurrentalpha", 16},
                          {"premodulate", 17},
                          {"modulatealpha_addcolor", 18},
                          {"modulatecolor_addalpha", 19},
                          {"modulateinvalpha_addcolor", 20},
                          {"modulateinvcolor_addalpha", 21}};

const Words kBoolean = {{"yes", 1},   {"1", 1},       {"enable", 1}, {"true", 1}, {"t", 1}, {"y", 1},
                        {"no", 0},    {"0", 0},       {"disable", 0}, {"false", 0}, {"f", 0}, {"n", 0}};

const Words kSortType = {{"opaque", 0}, {"alpha", 1}};
const Words kCull = {{"cw", 2}, {"clockwise", 2}, {"none", 1}, {"counterclockwise", 3}, {"ccw", 3}};
const Words kAddress = {{"wrap", 1}, {"mirror", 2}, {"clamp", 3}};
const Words kMagFilter = {{"point", 1}, {"linear", 2}, {"anisotropic", 5}};
const Words kMinFilter = {{"point", 1}, {"linear", 2}, {"anisotropic", 3}};
const Words kMipFilter = {{"none", 1}, {"point", 2}, {"linear", 3}};
const Words kTexGen = {{"none", 0},    {"0", 0},      {"environment", 1}, {"envmap", 1}, {"env", 1},
                       {"1", 1},       {"reflection", 2}, {"refmap", 2},  {"ref", 2},    {"2", 2}};
const Words kSurfaceHint = {{"opaque", 0x80}, {"static", 8}, {"dynamic", 4}};

CString Lowered(const STexTagList& tags, const char* key, const char* defaultText) {
    CString value = tags.GetTagString(key, defaultText);
    value.MakeLower();
    return value;
}

// The value of the first word equal to the text, or the preset when none is.
uint32_t Match(const char* text, const Words& words, uint32_t preset) {
    for (const Word& word : words) {
        if (std::strcmp(text, word.text) == 0) {
            return word.value;
        }
    }
    return preset;
}

uint32_t ReadWord(const STexTagList& tags, const char* key, const char* defaultText, const Words& words,
                  uint32_t preset) {
    return Match(Lowered(tags, key, defaultText).GetString(), words, preset);
}

int16_t ReadShort(const STexTagList& tags, const char* key, const char* defaultText, const Words& words,
                  uint32_t preset) {
    return static_cast<int16_t>(ReadWord(tags, key, defaultText, words, preset));
}

uint32_t ReadNumber(const STexTagList& tags, const char* key) {
    return static_cast<uint32_t>(tags.GetTagInt(key, 0));
}

float ReadReal(const STexTagList& tags, const char* key) {
    return tags.GetTagFloat(key, 1.0f);
}

uint32_t ReadArgument(const STexTagList& tags, const char* key, const char* defaultText, bool first) {
    return ParseArgument(Lowered(tags, key, defaultText).GetString(), first, first ? 2 : 0);
}

}  // namespace

int ParseBoolean(const char* value) {
    CString text(value != nullptr ? value : "");
    text.MakeLower();
    return static_cast<int>(Match(text.GetString(), kBoolean, static_cast<uint32_t>(-1)));
}

bool ReadFlag(const STexTagList& tags, const char* key, const char* defaultText) {
    return ParseBoolean(tags.GetTagString(key, defaultText).GetString()) == 1;
}

bool ReadNoManage(const STexTagList& tags) {
    return ParseBoolean(tags.GetTagString("TXT-NoManage", "No").GetString()) != 0;
}

uint32_t ReadSurfaceHint(const STexTagList& tags) { return ReadWord(tags, "TXT-D3DHint", "Opaque", kSurfaceHint, 0x80); }

uint32_t ReadMipLevels(const STexTagList& tags, int16_t mipDepth) {
    uint32_t levels = static_cast<uint32_t>(tags.GetTagInt("TXT-TSMIPLevels", mipDepth));
    if (levels > static_cast<uint32_t>(mipDepth)) {
        levels = static_cast<uint32_t>(mipDepth);
    }
    return std::max<uint32_t>(levels, 1);
}

uint32_t ParseArgument(const char* value, bool first, uint32_t preset) {
    static const Word kFirst[] = {{"texture", 2}, {"current", 1}, {"diffuse", 0}};
    static const Word kSecond[] = {{"diffuse", 0}, {"current", 1}, {"texture", 2}};
    const char* text = value != nullptr ? value : "";
    for (const Word& base : first ? kFirst : kSecond) {
        if (std::strstr(text, base.text) == nullptr) {
            continue;
        }
        uint32_t argument = base.value;
        if (std::strstr(text, "alphareplicate") != nullptr) {
            argument += 0x20;
        }
        if (std::strstr(text, "complement") != nullptr) {
            argument += 0x10;
        }
        return argument;
    }
    return preset;
}

uint32_t ReadStateKeys(const STexTagList& tags, SD3D6TextureStates& s, const SD3D6TextureStates& classBlock,
                       bool colourKey) {
    uint32_t sortType = ReadWord(tags, "TXT-SortType", "Opaque", kSortType, 0);
    s.dwAlphaBlendEnable = ReadWord(tags, "TXT-RSAlphaBlend", "No", kBoolean, 0);
    s.dwAlphaFunc = ReadWord(tags, "TXT-RSAlphaFunc", "Never", kComparison, 1);
    s.dwAlphaRef = ReadNumber(tags, "TXT-RSAlphaRef");
    s.dwAlphaTestEnable = ReadWord(tags, "TXT-RSAlphaTest", "No", kBoolean, 0);
    s.dwCullMode = ReadWord(tags, "TXT-RSCull", "CW", kCull, 2);
    s.dwDestBlend = ReadWord(tags, "TXT-RSDstBlend", "Zero", kBlend, 1);
    s.dwSrcBlend = ReadWord(tags, "TXT-RSSrcBlend", "One", kBlend, 2);
    s.dwZEnable = ReadWord(tags, "TXT-RSZTest", "Yes", kBoolean, 1);
    s.dwZFunc = ReadWord(tags, "TXT-RSZFunc", "LessEqual", kComparison, 4);
    s.dwZWriteEnable = ReadWord(tags, "TXT-RSZWrite", "Yes", kBoolean, 1);
    s.dwZBias = ReadNumber(tags, "TXT-RSZBias");
    if (colourKey) {
        // Keyed texels are either drawn whole or not at all: nothing to sort or blend.
        sortType = 0;
        s.dwAlphaBlendEnable = 0;
        s.dwAlphaTestEnable = 0;
        s.dwZWriteEnable = 1;
    }
    s.dwColorOp = ReadWord(tags, "TXT-TSColorOp", "Modulate", kTextureOp, 4);
    s.dwColorArg1 = ReadArgument(tags, "TXT-TSColorArg1", "Texture", true);
    s.dwColorArg2 = ReadArgument(tags, "TXT-TSColorArg2", "Diffuse", false);
    s.dwAlphaOp = ReadWord(tags, "TXT-TSAlphaOp", "Modulate", kTextureOp, 4);
    s.dwAlphaArg1 = ReadArgument(tags, "TXT-TSAlphaArg1", "Texture", true);
    s.dwAlphaArg2 = ReadArgument(tags, "TXT-TSAlphaArg2", "Diffuse", false);
    s.dwAddress = ReadWord(tags, "TXT-TSAddress", "Clamp", kAddress, 3);
    s.dwMagFilter = std::min(ReadWord(tags, "TXT-TSMagFilt", "Anisotropic", kMagFilter, 5), classBlock.dwMagFilter);
    s.dwMinFilter = std::min(ReadWord(tags, "TXT-TSMinFilt", "Anisotropic", kMinFilter, 3), classBlock.dwMinFilter);
    s.dwMipFilter = std::min(ReadWord(tags, "TXT-TSMIPFilt", "Linear", kMipFilter, 3), classBlock.dwMipFilter);
    s.dwMipBias = ReadNumber(tags, "TXT-TSMIPBias");
    s.dwMipLevels = 0;
    s.fRepeatU = ReadReal(tags, "TXT-RepeatU");
    s.fRepeatV = ReadReal(tags, "TXT-RepeatV");
    s.iLighting = ReadShort(tags, "TXT-Light", "Yes", kBoolean, 1);
    s.iTint = ReadShort(tags, "TXT-Tint", "Yes", kBoolean, 1);
    s.iWireFrame = ReadShort(tags, "TXT-Wire", "No", kBoolean, 0);
    s.iTexGen1 = ReadShort(tags, "TXT-UVGen", "None", kTexGen, 0);
    s.iTexGen2 = ReadShort(tags, "TXT-UV2Gen", "None", kTexGen, 0);
    return sortType;
}

}  // namespace texture_keys
