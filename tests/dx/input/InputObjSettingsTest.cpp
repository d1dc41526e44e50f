#include <gtest/gtest.h>

#include "dx/input/SInputObjSettings.h"
#include "sys/input/input.h"

using namespace sys::input;

namespace {

// Settings that were looked up by code and are then assigned others of the same command names
// answer lookups by the codes they now hold, not by the ones they held before.
TEST(InputObjSettingsAssignTest, LookupsByCodeAnswerTheAssignedBindings) {
    SInputObjSettings target;
    target.AddCommand("fire", "Fire", 0, DIK_A, -1, -1);
    target.AddCommand("jump", "Jump", 0, DIK_B, 2, -1);
    SInputObjSettings source;
    source.AddCommand("fire", "Fire", 0, DIK_C, -1, -1);
    source.AddCommand("jump", "Jump", 0, DIK_D, 1, -1);
    ASSERT_EQ(target.FindCommandByCodes(DIK_B, -1, -1), 1);

    target = source;
    EXPECT_EQ(target.FindCommandByCodes(DIK_C, -1, -1), 0);
    EXPECT_EQ(target.FindCommandByCodes(DIK_D, -1, -1), 1);
    EXPECT_EQ(target.FindCommandByCodes(-1, 1, -1), 1);
    EXPECT_EQ(target.FindCommandByCodes(DIK_A, -1, -1), -1);
    EXPECT_EQ(target.FindCommandByCodes(DIK_B, 2, -1), -1);
    EXPECT_EQ(target.FindCommand("JUMP"), 1);
}

}  // namespace
