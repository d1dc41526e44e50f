#pragma once

#include <string>

// What the program may do with its Home folder (the working directory once the hub has
// changed into it): whether files can be made there at all, and moving a damaged file out of
// the way under a name of its own so that no later save writes over it. Stateless; the hub
// keeps what start-up found out.
class SHomeFolder {
public:
    // A scratch file can be made and removed in the working directory.
    static bool IsWritable();
    // Moves `file` to the first free name of "<file>.bad", "<file>.bad2" ... "<file>.bad99".
    // The name it now has; empty when it could not be moved (it is then where it was).
    static std::string SetAside(const char* file);
    // What start-up says once when Home cannot be written; `home` is its full path.
    static std::string ReadOnlyNotice(const std::string& home);

    // A file of Home that start-up could not read, in the words the player is told.
    struct SUnreadableFile {
        const char* file;     // "player.cfg"
        const char* what;     // "officer file"
        const char* instead;  // how the game starts: "without officers"
        const char* unsaved;  // what is then not saved over it: "nothing"
    };
    // Tells the player once that the file could not be read, or, with `overrun` (what its run
    // said when it stopped), that it was read but ran past what one start reads. A damaged one
    // is set aside when Home may be written; one that cannot be opened, or moved, stays where it
    // is. True when the file is still there, so the caller must save nothing over it.
    static bool ReportUnreadable(const SUnreadableFile& file, bool damaged, bool homeWritable,
                                 const std::string& overrun = std::string());
};
