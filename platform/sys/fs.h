#pragma once

#include <string>
#include <string_view>

namespace sys::fs {

// Turns a path as the data and the Parts write it ("C:\Home\Tarvex.cat", "home/TARVEX.CAT")
// into the path of the file on this machine: the drive prefix dropped, "\" turned into "/",
// and every existing component matched without regard to case. Components that do not exist
// are kept as written, so the result also names files about to be created.
std::string NativePath(std::string_view path);

}  // namespace sys::fs
