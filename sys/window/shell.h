#pragma once

#include <string>
#include <vector>

#include "sys/window/window.h"

// Asking the system to open a document or run a program, as the shell's "open" verb does.
// The programs the game names belong to another system (its control panel), so on Linux
// nothing is started and the answer is the "file not found" code; every request is kept so
// tests can see what was asked.
namespace sys::window {

// Answers above 32 mean the program was started.
constexpr int SE_ERR_FNF = 2;

int ShellExecute(HWND hwnd, const char* operation, const char* file, const char* parameters, const char* directory,
                 int show);

struct ShellRequest {
    std::string operation;
    std::string file;
    std::string parameters;
};

// The requests made so far, oldest first; cleared by ClearShellRequests.
std::vector<ShellRequest> ShellRequests();
void ClearShellRequests();

}  // namespace sys::window
