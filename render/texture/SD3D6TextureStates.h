#pragma once

#include <cstdint>

class STexTagList;

// The Direct3D render and texture-stage states of one texture, or the limits of one texture
// class (opaque, alpha, tree): in a class block the colour-key field says that textures of the
// class use colour keying and the three filter fields are upper limits. The values are the
// Direct3D 6 enumeration values. A plain record; its field order is kept.
struct SD3D6TextureStates {
    uint32_t dwAlphaBlendEnable = 0;
    uint32_t dwAlphaFunc = 1;  // never
    uint32_t dwAlphaRef = 0;
    uint32_t dwAlphaTestEnable = 0;
    uint32_t dwColorKeyEnable = 0;
    uint32_t dwCullMode = 2;   // clockwise
    uint32_t dwDestBlend = 1;  // zero
    uint32_t dwSrcBlend = 2;   // one
    uint32_t dwZEnable = 1;
    uint32_t dwZFunc = 4;      // less-equal
    uint32_t dwZWriteEnable = 1;
    uint32_t dwZBias = 0;
    uint32_t dwStageIndex = 0;
    uint32_t dwColorOp = 4;    // modulate
    uint32_t dwColorArg1 = 2;  // texture
    uint32_t dwColorArg2 = 0;  // diffuse
    uint32_t dwAlphaOp = 4;
    uint32_t dwAlphaArg1 = 2;
    uint32_t dwAlphaArg2 = 0;
    uint32_t dwAddress = 3;    // clamp
    uint32_t dwMagFilter = 5;  // anisotropic
    uint32_t dwMinFilter = 3;  // anisotropic
    uint32_t dwMipFilter = 3;  // linear
    // The tag's signed decimal integer in a 32-bit word; the device's level-of-detail bias is a
    // float, so whoever applies the block hands the device the signed number as a float.
    uint32_t dwMipBias = 0;
    uint32_t dwMipLevels = 0;  // while building: levels to make; afterwards 0, no maximum level
    float fRepeatU = 1.0f;
    float fRepeatV = 1.0f;
    int16_t iLighting = 1;
    int16_t iTint = 1;
    int16_t iWireFrame = 0;
    int16_t iTexGen1 = 0;  // 0 none, 1 environment, 2 reflection
    int16_t iTexGen2 = 0;
};

// The texture keyword language: tag values read as the words of one key, without regard to
// case. The texture-level readers take the texture container's tags, the state pass the
// built record's merged tags.
namespace texture_keys {

// 1 true, 0 false, -1 a word that is neither.
int ParseBoolean(const char* value);
// A boolean key of the texture (missing: `defaultText`); only a true word gives true.
bool ReadFlag(const STexTagList& tags, const char* key, const char* defaultText);
// TXT-NoManage: only a false word gives false.
bool ReadNoManage(const STexTagList& tags);
// TXT-D3DHint as surface caps: opaque 0x80, static 8, dynamic 4; other words 0x80.
uint32_t ReadSurfaceHint(const STexTagList& tags);
// TXT-TSMIPLevels against the format's MIP depth: above it (as unsigned) the depth, below 1 one.
uint32_t ReadMipLevels(const STexTagList& tags, int16_t mipDepth);
// One texture-stage argument in its first (texture, current, diffuse) or second (diffuse,
// current, texture) search order, with the alpha-replicate and complement flags.
uint32_t ParseArgument(const char* value, bool first, uint32_t preset);

// The sort type and every state key into `states`, in the language's order. `classBlock`
// limits the three filters; `colourKey` makes the texture opaque, unblended, untested and
// z-written whatever its tags say. Answers the sort type (0 opaque, 1 alpha).
uint32_t ReadStateKeys(const STexTagList& tags, SD3D6TextureStates& states, const SD3D6TextureStates& classBlock,
                       bool colourKey);

}  // namespace texture_keys
