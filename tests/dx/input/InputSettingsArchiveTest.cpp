// The archive form of the input settings, byte for byte, read back, through an object pointer
// with its class record, and refused cleanly when counts are damaged.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "dx/input/SInputObjSettings.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/Exceptions.h"
#include "sys/input/input.h"

using Bytes = std::vector<uint8_t>;

namespace {

Bytes Store(const std::function<void(CArchive&)>& write) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    write(ar);
    ar.Close();
    Bytes bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<unsigned>(bytes.size()));
    return bytes;
}

void Load(Bytes bytes, const std::function<void(CArchive&)>& read) {
    CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    read(ar);
}

void Put32(Bytes& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void PutText(Bytes& bytes, const char* text) {
    Put32(bytes, static_cast<uint32_t>(std::strlen(text)));
    bytes.insert(bytes.end(), text, text + std::strlen(text));
}

// The header of default settings: eight words, two sensitivity bytes, two words.
Bytes DefaultHeader() {
    Bytes bytes;
    for (uint32_t word : {1u, 1u, 0u, 1u, 0u, 0u, 0u, 0u}) {
        Put32(bytes, word);
    }
    bytes.push_back(127);
    bytes.push_back(127);
    Put32(bytes, 1);
    Put32(bytes, 1);
    return bytes;
}

SInputObjSettings TwoCommands() {
    SInputObjSettings settings;
    settings.AddCommand("fire", "Fire", 1, sys::input::DIK_SPACE, 0, -1);
    const int steps = settings.AddCommand("", "", 1, sys::input::DIK_F, -1, 3);
    settings.AddAlias(steps, "+run");
    settings.AddAlias(steps, "wait 50");
    return settings;
}

Bytes TwoCommandBytes() {
    Bytes bytes = DefaultHeader();
    Put32(bytes, 2);
    PutText(bytes, "fire");
    PutText(bytes, "Fire");
    for (uint32_t word : {0x39u, 0u, 0xFFFFFFFFu, 1u, 0u, 0u}) {
        Put32(bytes, word);
    }
    PutText(bytes, "");
    PutText(bytes, "");
    for (uint32_t word : {0x21u, 0xFFFFFFFFu, 3u, 1u, 0u, 2u}) {
        Put32(bytes, word);
    }
    PutText(bytes, "+run");
    PutText(bytes, "wait 50");
    return bytes;
}

TEST(InputSettingsArchiveTest, TheStoredLayout) {
    SInputObjSettings settings = TwoCommands();
    const Bytes stored = Store([&](CArchive& ar) { settings.Serialize(ar); });
    EXPECT_EQ(stored, TwoCommandBytes());
}

TEST(InputSettingsArchiveTest, FieldsKeepTheirPlaces) {
    SInputObjSettings settings;
    settings.m_iAiming = 2;
    settings.m_iJoyAiming = 3;
    settings.m_iInvertX = 4;
    settings.m_iInvertY = 5;
    settings.m_iJoystick = 6;
    settings.m_iLightGun = 7;
    settings.m_iCalibrateLightGun = 8;
    settings.m_iFFeedback = 9;
    settings.m_nMSensitivity = 10;
    settings.m_nJSensitivity = 11;
    settings.m_iAimingNLoad = 12;
    settings.m_iMSmoothing = 13;
    Bytes expected;
    for (uint32_t word : {2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u}) {
        Put32(expected, word);
    }
    expected.push_back(10);
    expected.push_back(11);
    Put32(expected, 12);
    Put32(expected, 13);
    Put32(expected, 0);
    EXPECT_EQ(Store([&](CArchive& ar) { settings.Serialize(ar); }), expected);
}

TEST(InputSettingsArchiveTest, LoadingRestoresCommandsWithCleanState) {
    SInputObjSettings loaded;
    loaded.AddCommand("old", "Old", 1, 1, -1, -1);
    Load(TwoCommandBytes(), [&](CArchive& ar) { loaded.Serialize(ar); });
    ASSERT_EQ(loaded.GetCommandCount(), 2);
    const SInputObjCommand* fire = loaded.GetCommand(0);
    EXPECT_STREQ(fire->m_sName.GetString(), "fire");
    EXPECT_STREQ(fire->m_sDisplayName.GetString(), "Fire");
    EXPECT_EQ(fire->m_iKeyCode, 0x39);
    EXPECT_EQ(fire->m_iMouseCode, 0);
    EXPECT_EQ(fire->m_iJoyCode, -1);
    EXPECT_EQ(fire->m_iType, 1);
    EXPECT_EQ(fire->m_iState, 0);
    EXPECT_STREQ(loaded.GetAliasText(1).GetString(), "+run;wait 50");
    EXPECT_EQ(loaded.GetCommand(1)->m_iJoyCode, 3);
    EXPECT_EQ(loaded.m_nMSensitivity, 127);
    EXPECT_EQ(loaded.m_iInvertY, 1);
}

TEST(InputSettingsArchiveTest, ThroughAPointerWithItsClassRecord) {
    SInputObjSettings settings = TwoCommands();
    const Bytes stored = Store([&](CArchive& ar) { ar << &settings; });
    // A new class: 0xFFFF, schema 1, the name's length 17 and the name.
    Bytes expected = {0xFF, 0xFF, 0x01, 0x00, 0x11, 0x00, 'S', 'I', 'n', 'p', 'u', 't', 'O', 'b', 'j',
                      'S', 'e', 't', 't', 'i', 'n', 'g', 's'};
    const Bytes body = TwoCommandBytes();
    expected.insert(expected.end(), body.begin(), body.end());
    EXPECT_EQ(stored, expected);

    SInputObjSettings* loaded = nullptr;
    Load(stored, [&](CArchive& ar) { ar >> loaded; });
    std::unique_ptr<SInputObjSettings> owner(loaded);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetCommandCount(), 2);
    EXPECT_EQ(loaded->FindCommand("FIRE"), 0);
}

TEST(InputSettingsArchiveTest, AHugeCommandCountIsRefusedBeforeAllocating) {
    Bytes bytes = DefaultHeader();
    Put32(bytes, 0x7FFFFFFF);
    SInputObjSettings loaded;
    EXPECT_THROW(Load(bytes, [&](CArchive& ar) { loaded.Serialize(ar); }), CArchiveException);
    Bytes negative = DefaultHeader();
    Put32(negative, 0xFFFFFFFF);
    EXPECT_THROW(Load(negative, [&](CArchive& ar) { loaded.Serialize(ar); }), CArchiveException);
}

TEST(InputSettingsArchiveTest, AHugeStepCountIsRefused) {
    Bytes bytes = DefaultHeader();
    Put32(bytes, 1);
    PutText(bytes, "x");
    PutText(bytes, "");
    for (uint32_t word : {1u, 0xFFFFFFFFu, 0xFFFFFFFFu, 1u, 0u, 0x40000000u}) {
        Put32(bytes, word);
    }
    SInputObjSettings loaded;
    EXPECT_THROW(Load(bytes, [&](CArchive& ar) { loaded.Serialize(ar); }), CArchiveException);
}

TEST(InputSettingsArchiveTest, ATruncatedFileLeavesTheSettingsAsTheyWere) {
    Bytes bytes = TwoCommandBytes();
    bytes.resize(bytes.size() - 3);
    SInputObjSettings loaded;
    loaded.AddCommand("keep", "Keep", 1, sys::input::DIK_K, -1, -1);
    loaded.m_iInvertY = 0;
    loaded.m_nJSensitivity = 40;
    EXPECT_THROW(Load(bytes, [&](CArchive& ar) { loaded.Serialize(ar); }), CArchiveException);
    ASSERT_EQ(loaded.GetCommandCount(), 1);
    EXPECT_STREQ(loaded.GetCommand(0)->m_sName.GetString(), "keep");
    EXPECT_EQ(loaded.m_iInvertY, 0);
    EXPECT_EQ(loaded.m_nJSensitivity, 40);
}

}  // namespace
