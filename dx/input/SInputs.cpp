#include "dx/input/SInputs.h"

#include "dx/input/SInputObjSettings.h"
#include "sys/input/input.h"

using namespace sys::input;

namespace {

struct DefaultBinding {
    const char* name;
    const char* displayName;
    int keyLayout1;
    int keyOther;
};

constexpr DefaultBinding kDefaults[] = {
    {"forward", "Walk Forward", DIK_W, DIK_UP},
    {"back", "Walk Backward", DIK_S, DIK_DOWN},
    {"right", "Step Right", DIK_D, DIK_END},
    {"left", "Step Left", DIK_A, DIK_DELETE},
    {"run", "Run", DIK_LSHIFT, DIK_RSHIFT},
    {"jump", "Jump", DIK_E, DIK_RMENU},
    {"crouch", "Crouch", DIK_C, DIK_RCONTROL},
    {"shift", "Function Shift", DIK_RSHIFT, DIK_LSHIFT},
    {"tright", "Turn Right", DIK_RIGHT, DIK_RIGHT},
    {"tleft", "Turn Left", DIK_LEFT, DIK_LEFT},
    {"lup", "Look Up", DIK_PRIOR, DIK_PRIOR},
    {"ldown", "Look Down", DIK_NEXT, DIK_NEXT},
    {"use", "Use Item", DIK_RETURN, DIK_RETURN},
    {"use2", "Use Item 2", DIK_Z, DIK_Z},
    {"weapon", "Raise Weapon", DIK_SPACE, DIK_SPACE},
    {"lower", "Lower Item", DIK_L, DIK_L},
    {"open", "Open Weapon", DIK_LBRACKET, DIK_LBRACKET},
    {"close", "Close Weapon", DIK_RBRACKET, DIK_RBRACKET},
    {"zoomin", "Zoom In", DIK_EQUALS, DIK_EQUALS},
    {"zoomout", "Zoom Out", DIK_MINUS, DIK_MINUS},
    {"viewdec", "Decrease View", DIK_SUBTRACT, DIK_SUBTRACT},
    {"viewinc", "Increase View", DIK_ADD, DIK_ADD},
    {"cycle", "Cycle Start", DIK_BACK, DIK_BACK},
};

}  // namespace

void SInputs::SetDefaultBindings(SInputObjSettings& settings, int layout) {
    for (const DefaultBinding& binding : kDefaults) {
        settings.AddCommand(binding.name, binding.displayName, 1, layout == 1 ? binding.keyLayout1 : binding.keyOther,
                            -1, -1);
    }
}
