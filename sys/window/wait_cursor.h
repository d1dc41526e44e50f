#pragma once

#include "sys/window/window.h"

// The wait cursor while the program is busy and takes no input (start-up, saving). Calls nest:
// the first Begin remembers the pointer shape in use and shows the wait shape, every Begin
// shows it again (something may have set another shape meanwhile), and the End that matches
// the first Begin brings the remembered shape back. An End without a Begin does nothing.
namespace sys::window {

// The system's busy pointer shape (an hourglass or a spinning wheel, as the desktop draws it).
HCURSOR WaitCursor();
void BeginWaitCursor();
void EndWaitCursor();
// How many Begins are not yet ended.
int WaitCursorDepth();

}  // namespace sys::window
