// The settings' lookups by name and by code answer as a walk over the commands in index order
// would, whatever changed the commands before: binding, unbinding (which removes unnamed
// commands left without inputs), codes written through GetCommand, copying and clearing.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "dx/input/SInputObjSettings.h"

namespace {

int WalkName(const SInputObjSettings& settings, const char* name) {
    for (int i = 0; i < settings.GetCommandCount(); ++i)
        if (name[0] != '\0' && CompareTextNoCase(settings.GetCommand(i)->m_sName.GetString(), name) == 0)
            return i;
    return -1;
}

int WalkCodes(const SInputObjSettings& settings, int key, int mouse, int joy) {
    for (int i = 0; i < settings.GetCommandCount(); ++i) {
        const SInputObjCommand& c = *settings.GetCommand(i);
        if ((key != -1 && c.m_iKeyCode == key) || (mouse != -1 && c.m_iMouseCode == mouse) ||
            (joy != -1 && c.m_iJoyCode == joy))
            return i;
    }
    return -1;
}

TEST(InputCommandIndexTest, LookupsMatchAWalkOverTheCommands) {
    const char* const names[] = {"fire", "FIRE", "zoom", "reload", "", "Zoom", "walk", "run"};
    std::mt19937 random(7);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    SInputObjSettings settings;
    SInputObjSettings copy;
    for (int step = 0; step < 4000; ++step) {
        const int code = pick(6) - 1;
        switch (pick(9)) {
        case 0:
        case 1:
        case 2:
            settings.AddCommand(names[pick(8)], "", 1, code, pick(4) - 1, pick(3) - 1);
            break;
        case 3:
            settings.UnbindCode(code, pick(3) - 1, -1, pick(6) - 1);
            break;
        case 4:
        case 5:
            // Written as the Controls page writes a row: behind the settings' back.
            if (SInputObjCommand* command = settings.GetCommand(pick(settings.GetCommandCount() + 1)))
                (pick(2) == 0 ? command->m_iKeyCode : command->m_iJoyCode) = code;
            break;
        case 6:
            copy = settings;
            settings = copy;
            break;
        case 7:
            if (pick(20) == 0)
                settings.RemoveAllCommands();
            break;
        default:
            break;
        }
        const char* name = names[pick(8)];
        ASSERT_EQ(WalkName(settings, name), settings.FindCommand(name)) << "step " << step << " " << name;
        const int key = pick(6) - 1;
        const int mouse = pick(4) - 1;
        const int joy = pick(3) - 1;
        ASSERT_EQ(WalkCodes(settings, key, mouse, joy), settings.FindCommandByCodes(key, mouse, joy))
            << "step " << step;
    }
}

}  // namespace
