#pragma once

// The texts of the demo Home folder, written for it: the help file the help page reads, the
// credits and thanks shown by their pages, and the console script of default bindings.
namespace home_texts {

// "help.sss": plain text, LF line ends, long enough for the help page's scroll bar.
extern const char* const kHelp;
extern const char* const kCredits;
extern const char* const kThanks;
// "defcmds.cfg": binds the commands of the game-logic library to the mouse and keys. Lines
// starting with "--" are skipped by the console.
extern const char* const kDefaultCommands;

}  // namespace home_texts
