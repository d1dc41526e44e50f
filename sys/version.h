#pragma once

#include <array>
#include <string>
#include <string_view>

// The program's own file version, fixed by the build ("1, 0, 0, 0": four numbers separated by
// commas, the way version texts have always been written for this program).
namespace sys::version {

// The version text exactly as the build gives it.
std::string FileVersion();

// The four numbers of FileVersion(): major, minor, build, revision.
std::array<int, 4> FileVersionNumbers();

// Splits a version text at "," into four numbers; a missing or unreadable part is 0, text
// past the fourth comma is ignored.
std::array<int, 4> ParseVersionNumbers(std::string_view text);

}  // namespace sys::version
