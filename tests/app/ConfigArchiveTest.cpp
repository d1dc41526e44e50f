// The archive form of the configuration sections: each one's integer fields as 32-bit words
// in declaration order, and nothing else.

#include <gtest/gtest.h>

#include <vector>

#include "app/CGraphicsData.h"
#include "app/CServerData.h"
#include "app/CSoundData.h"
#include "app/CSystemData.h"
#include "tests/support/ArchiveBytes.h"

namespace {

using tarvex::test::Bytes;

Bytes Store(CObject& section) {
    return tarvex::test::StoreArchive([&](CArchive& ar) { section.Serialize(ar); });
}

TEST(ConfigArchiveTest, EachSectionStoresItsIntegersAsWords) {
    CSystemData system;
    CGraphicsData graphics;
    CSoundData sound;
    CServerData server;
    sound.m_sDriver = "hw:0";
    server.m_sCurse = "darn";
    // Graphics: 24 integer variables, weather and filter, then windowed, primary driver, depth,
    // width, height and the level value (the identifier's bytes are not integers).
    const struct {
        CObject* section;
        size_t words;
    } cases[] = {{&system, 12}, {&graphics, 32}, {&sound, 9}, {&server, 8}};
    for (const auto& c : cases)
        EXPECT_EQ(Store(*c.section).size(), c.words * 4) << c.section->GetRuntimeClass()->m_lpszClassName;
}

TEST(ConfigArchiveTest, SoundWordsComeInDeclarationOrder) {
    CSoundData sound;
    sound.m_bEnabled = 0;
    sound.m_b3DEnabled = 1;
    sound.m_bMusic = 0;
    sound.m_bVoice = 1;
    sound.m_b3DSoftware = 0;
    sound.m_b8BitQuality = 1;
    sound.m_i3DResolution = 75;
    sound.m_iMaxSameBuffers = 16;
    sound.m_iIdleRemoveTime = 600;  // 0x258
    const Bytes expected = {0, 0, 0, 0, 1, 0, 0, 0, 0,  0, 0, 0, 1,    0, 0, 0, 0, 0,
                            0, 0, 1, 0, 0, 0, 75, 0, 0, 0, 16, 0, 0, 0, 0x58, 2, 0, 0};
    EXPECT_EQ(Store(sound), expected);
}

}  // namespace
