#pragma once

#include <cstdint>
#include <functional>
#include <vector>

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

// Whether this process runs as root, for whom a file's mode does not count.
bool IsRoot();
// Gives the file or folder, and everything below a folder, to the unprivileged user "nobody";
// false when one of them could not be given.
bool GiveToNobody(const char* path);

// For tests of what a user without root's rights meets: while one lives, a process running as
// root acts as "nobody" (groups dropped, group and user set), for whom a file's mode counts.
// Root keeps its real and saved ids, which lead back when it goes or Leave is called.
class ActAsNobody {
public:
    ActAsNobody();
    ~ActAsNobody();
    ActAsNobody(const ActAsNobody&) = delete;
    ActAsNobody& operator=(const ActAsNobody&) = delete;
    // Whether the process took nobody's ids.
    bool Acting() const { return m_bActing; }
    // Takes root's ids and groups back; false when it could not.
    bool Leave();

private:
    bool m_bRoot;  // only root changes ids, and only root has any to take back
    uint32_t m_gid;
    std::vector<uint32_t> m_groups;
    bool m_bActing = false;
};

}  // namespace sys::process
