// The settings' lookups by name and by code, and the loop check of a new step, answer as a walk
// over the commands in index order would, whatever changed the commands before: binding,
// unbinding (which removes unnamed commands left without inputs), codes written through
// GetCommand, steps added and cleared, copying, storing and loading, and clearing.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dx/input/SInputObjSettings.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CMemFile.h"

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

// Whether the step leads back to a command named as the one at `index`, followed by its whole
// text and its name without the mark through every command reached.
bool WalkLoop(const SInputObjSettings& settings, int index, const std::string& step) {
    const char* own = settings.GetCommand(index)->m_sName.GetString();
    std::vector<std::string> pending{step};
    std::vector<bool> seen(static_cast<size_t>(settings.GetCommandCount()));
    while (!pending.empty() && own[0] != '\0') {
        const std::string next = pending.back();
        pending.pop_back();
        for (const std::string& name : {next, next.substr(next[0] == '+' || next[0] == '-' ? 1 : 0)}) {
            const int reached = WalkName(settings, name.c_str());
            if (reached < 0 || seen[static_cast<size_t>(reached)])
                continue;
            if (CompareTextNoCase(settings.GetCommand(reached)->m_sName.GetString(), own) == 0)
                return true;
            seen[static_cast<size_t>(reached)] = true;
            for (int n = 0; n < settings.GetAliasCount(reached); ++n)
                pending.emplace_back(settings.GetAlias(reached, n).GetString());
        }
    }
    return false;
}

void StoreAndLoad(SInputObjSettings& settings) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        settings.Serialize(ar);
    }
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    settings.Serialize(ar);
}

TEST(InputCommandIndexTest, LookupsMatchAWalkOverTheCommands) {
    const char* const names[] = {"fire", "FIRE", "zoom", "reload", "", "Zoom", "walk", "+run"};
    const char* const steps[] = {"fire", "-Fire", "+zoom", "reload", "walk", "run", "+run", "zoom in", "+", "WALK"};
    std::mt19937 random(7);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    SInputObjSettings settings;
    SInputObjSettings copy;
    for (int step = 0; step < 4000; ++step) {
        const int code = pick(6) - 1;
        const int count = settings.GetCommandCount();
        switch (pick(13)) {
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
        case 6: {
            // Back to an older state, so that what the lookups knew no longer holds.
            const SInputObjSettings older(copy);
            copy = settings;
            settings = older;
            break;
        }
        case 7:
            if (pick(20) == 0)
                settings.RemoveAllCommands();
            break;
        case 8:
        case 9:
            if (count > 0) {
                const int index = pick(count);
                const char* step = steps[pick(10)];
                ASSERT_EQ(settings.AddAlias(index, step), !WalkLoop(settings, index, step)) << "step " << step;
            }
            break;
        case 10:
            settings.ClearAlias(pick(count + 1));
            break;
        case 11:
            // As a script binds a key to steps of its own: the key's unnamed holder goes.
            settings.AddAlias(settings.AddCommand("", "", 1, code, -1, -1), "a;b");
            break;
        default:
            StoreAndLoad(settings);
            break;
        }
        if (settings.GetCommandCount() > 0) {
            const int index = pick(settings.GetCommandCount());
            const char* step = steps[pick(10)];
            ASSERT_EQ(WalkLoop(settings, index, step), settings.WouldLoop(index, step)) << "step " << step;
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
