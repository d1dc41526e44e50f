#pragma once

#include <string>
#include <string_view>

// The profile seam: named text and integer values by section and key, for the two profiles the
// game keeps: the application's own (under the maker's key) and the per-user system profile
// that holds the display choice. Both live in one INI-style text file per user,
// $XDG_CONFIG_HOME/Tarvex/Tarvex.ini (~/.config when the variable is unset or not absolute):
//
//   [Application/Quellon Interactive/Settings]    application profile, once the key is set
//   [Application/Settings]                        application profile before it
//   [System/Settings]                             system profile
//
// Sections and keys match without regard to case; each write rewrites the whole file through
// a temporary file and a rename, so a failed write leaves the old file as it was. Callers
// are on the main thread in practice; the calls are serialised anyway.
namespace sys::profile {

enum class Kind { Application, System };

// The maker's key for the application profile (the start-up sets "Quellon Interactive").
void SetRegistryKey(std::string_view company);

// Where the profile file lives; an empty path returns to the per-user default. For tests.
void SetFile(std::string_view path);
std::string FilePath();

// The stored text, or `defaultValue` when the key is missing. A key stored with an empty value
// gives "". Values are trimmed of surrounding blanks; one pair of enclosing double quotes is
// removed (WriteString adds them when a value needs its blanks kept).
std::string GetString(Kind kind, std::string_view section, std::string_view key,
                      std::string_view defaultValue);
// The stored text read as a decimal integer like atoi (leading blanks, a sign, digits up to the
// first other character; no digits give 0), limited to the int range; `defaultValue` when the
// key is missing.
int GetInt(Kind kind, std::string_view section, std::string_view key, int defaultValue);

// False, with the file untouched, when the file cannot be read or written, or when a section,
// key or value cannot be stored on one line (line breaks; "]" in a section; "=" in a key or a
// key starting with "[", ";" or "#"; an empty or blank-edged section or key). A file that could
// not be read or written is named on standard error, as the value is lost to the next start.
bool WriteString(Kind kind, std::string_view section, std::string_view key, std::string_view value);
bool WriteInt(Kind kind, std::string_view section, std::string_view key, int value);

}  // namespace sys::profile
