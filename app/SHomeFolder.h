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
};
