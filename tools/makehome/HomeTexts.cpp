#include "tools/makehome/HomeTexts.h"

namespace home_texts {

const char* const kHelp =
    "WELCOME TO TARVEX\n"
    "\n"
    "This is the demo set of the Tarvex host program. It shows the menus of the "
    "program with plain pictures and short sounds.\n"
    "\n"
    "MOVING THROUGH THE MENUS\n"
    "\n"
    "Point at a button with the mouse and click the left button to choose it.\n"
    "A button lights up while the pointer rests on it, and a soft tone tells you "
    "that it can be chosen.\n"
    "Every page has a Back or Main Menu button at the bottom that takes you to the "
    "page you came from.\n"
    "\n"
    "THE MAIN MENU\n"
    "\n"
    "Create Officer: make a new officer to play with.\n"
    "Choose Officer: pick one of the officers made before. It only answers once an "
    "officer exists.\n"
    "Settings: game, performance, control, video and sound options.\n"
    "Help: this page.\n"
    "Credits: who built the program.\n"
    "Quit: leave the program.\n"
    "\n"
    "READING THIS PAGE\n"
    "\n"
    "Use the arrow buttons beside the text to move it up or down one line at a "
    "time, or drag the handle of the bar between them.\n"
    "Click the bar above or below the handle to move by a larger step.\n"
    "\n"
    "KEYS IN THE MENUS\n"
    "\n"
    "Enter: confirm a message box.\n"
    "Escape: close a message box without confirming it.\n"
    "Tab: move to the next field of a page that has fields.\n"
    "\n"
    "KEYS IN A SESSION\n"
    "\n"
    "Left mouse button: fire.\n"
    "Right mouse button: zoom.\n"
    "R: reload.\n"
    "Moving the mouse turns and looks around.\n"
    "\n"
    "The bindings come from the file defcmds.cfg in the Home folder and can be "
    "changed on the Controls page of the settings.\n"
    "\n"
    "End of the help text.\n";

const char* const kCredits =
    "TARVEX\n"
    "host program\n"
    "\n"
    "Built by the Tarvex engineers\n"
    "\n"
    "Platform layer, interface toolkit,\n"
    "front end, renderer and game logic:\n"
    "the Tarvex engineering team\n"
    "\n"
    "Demo pictures, font and sounds:\n"
    "drawn by the Home generator";

const char* const kThanks =
    "Thanks to everyone who tried the Tarvex host program and told us what did not "
    "work.\n"
    "\n"
    "Thanks also to the authors of the free compilers, build tools and libraries "
    "this program is built with.";

const char* const kDefaultCommands =
    "-- Default bindings of the Tarvex host program.\n"
    "-- bind <input> \"<command>\" \"<name shown in the settings>\"\n"
    "bind mouse1 \"fire\" \"Fire\"\n"
    "bind mouse2 \"zoom\" \"Zoom\"\n"
    "bind r \"reload\" \"Reload\"\n"
    "bind n \"nightvision\" \"Night vision\"\n"
    "bind c \"sight\" \"Scope sight\"\n"
    "bind f \"redflash\" \"Red flash\"\n";

}  // namespace home_texts
