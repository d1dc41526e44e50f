#pragma once

// The log writer behind "Debug.log" and the other log files: appends one line to a text file
// and echoes it to the debugger output. Free function, usable from anywhere; the caller owns
// nothing afterwards.
//
// Debugger output: there is no debugger output channel on this system, so the echo goes to
// standard error when the environment variable TARVEX_DEBUG_OUTPUT is set to anything other
// than "" or "0", and nowhere otherwise (a game run should not spray its log on a terminal).
//
// Writes `text` and "\r\n" to `fileName`: a new file when `truncate` is set, else after what
// the file already holds (the file is found in any letter case, in any folder, and is created
// when it does not exist). File errors are swallowed: the answer is always true.
bool WriteLog(const char* text, bool truncate, const char* fileName);

// Writes `text` as it is (no line end added) to the debugger output described above.
void WriteDebugString(const char* text);
