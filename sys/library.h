#pragma once

#include <string>
#include <string_view>

// Run-time libraries: the game-logic library, the light-gun library and the advertising
// library are loaded by name while the program runs, and each works without them. The
// names are the ones the program has always used ("VQ9Game.dll"); a name ending ".dll" is
// looked up as the same stem with ".so" in the same folder. A bare name means the current
// directory, never the system's library search path. Paths are resolved like every other
// file name (backslashes, any letter case).
namespace sys::library {

using Handle = void*;

// Loads a library; null when it cannot, with the reason in *error (when given) and in
// LastError(). A library loaded twice is the same library, counted twice. A file that is not a
// plain file, is shorter than its headers say, or cannot be loaded without a fault (a damaged
// library, an initialiser that crashes or ends the process) is refused; the load itself never
// ends the program. A load that takes long is cut short by a close request (sys/signals.h), and
// none is made while one waits: refused, "the program is closing".
Handle Load(std::string_view name, std::string* error = nullptr);

// The address of an exported function or variable; null when the handle is null or the
// library has no such name (the reason is in LastError()).
void* Symbol(Handle library, const char* name);

// Releases one load of a library; a null handle is ignored.
void Unload(Handle library);

// The reason of the last failure of Load or Symbol on the calling thread.
std::string LastError();
// Why the last Load on the calling thread failed, without the library's name or path: what the
// check found ("the file is shorter than its segments say") or the loader said. Empty when
// there was no such file, which the path alone tells.
std::string LastReason();

// The file a name is looked up as, before the letter case of its components is resolved:
// "Home\VQ9Game.DLL" -> "Home\VQ9Game.so", "ActGSDev.dll" -> "./ActGSDev.so".
std::string FileNameFor(std::string_view name);

}  // namespace sys::library
