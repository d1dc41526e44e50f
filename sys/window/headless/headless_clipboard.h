#pragma once

#include <string>

// The headless clipboard: one text in memory, empty (no text at all) after a reset, and a
// switch that makes it refuse like a clipboard the system will not open.
namespace sys::clipboard::headless {

// No text, and available.
void Reset();
// While unavailable, SetText and GetText fail and change nothing.
void SetUnavailable(bool unavailable);

// The backend itself, called by sys::clipboard.
bool SetText(const std::string& text);
bool GetText(std::string& text);

}  // namespace sys::clipboard::headless
