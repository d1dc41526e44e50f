#pragma once

#include <cstdint>
#include <functional>

// Child processes for tests that must see what a crash or a full disk leaves behind: a copy of
// this process runs a function and ends, can be killed at any moment, and can be limited in
// the size of the files it writes. Nothing of the game itself starts processes.
namespace sys::process {

// Runs `body` in a copy of this process, which then ends at once with the body's result as its
// exit status (no destructors or exit handlers of the copy run). The child's id, or -1.
int RunChild(const std::function<int()>& body);
// Ends the child at once, as a power cut would end a save. False when there is no such child.
bool KillChild(int id);
// Waits for the child to end: its exit status, or -1 when it was killed or could not be waited
// for.
int WaitChild(int id);
// In a child: writing a file beyond `bytes` fails as on a full disk, instead of ending the
// process.
bool LimitFileSize(uint64_t bytes);
// This process's id, for scratch names that parallel runs of one program must not share.
int CurrentId();

}  // namespace sys::process
