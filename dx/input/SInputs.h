#pragma once

class SInputObjSettings;

// The default key bindings: 23 hold commands for walking, turning, looking, using and zooming,
// in two keyboard layouts (1: the letter keys around W A S D; any other: the arrow and
// navigation keys). The configuration uses layout 2 when it writes a fresh "default.cfg".
class SInputs {
public:
    static void SetDefaultBindings(SInputObjSettings& settings, int layout);
};
