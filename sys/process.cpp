#include "sys/process.h"

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace sys::process {

int RunChild(const std::function<int()>& body) {
    const pid_t id = fork();
    if (id != 0)
        return id > 0 ? static_cast<int>(id) : -1;
    int status = 1;
    try {
        status = body();
    } catch (...) {
        status = 1;
    }
    _exit(status);
}

bool KillChild(int id) { return id > 0 && kill(static_cast<pid_t>(id), SIGKILL) == 0; }

int WaitChild(int id) {
    int status = 0;
    pid_t got;
    do {
        got = waitpid(static_cast<pid_t>(id), &status, 0);
    } while (got < 0 && errno == EINTR);
    if (got != static_cast<pid_t>(id) || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

bool LimitFileSize(uint64_t bytes) {
    // Past the limit the kernel would end the process with SIGXFSZ; ignored, the write fails
    // with EFBIG and the writer sees a failure it can report.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

int CurrentId() { return static_cast<int>(getpid()); }

namespace {

constexpr uid_t kNobody = 65534;

}  // namespace

bool IsRoot() { return geteuid() == 0; }

bool GiveToNobody(const char* path) {
    namespace fs = std::filesystem;
    if (lchown(path, kNobody, kNobody) != 0)
        return false;
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(path, error)))
        return true;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(path, error)) {
        if (lchown(entry.path().c_str(), kNobody, kNobody) != 0)
            return false;
    }
    return !error;
}

ActAsNobody::ActAsNobody() : m_bRoot(IsRoot()), m_gid(getegid()) {
    if (!m_bRoot)
        return;
    std::vector<gid_t> groups(static_cast<size_t>(std::max(getgroups(0, nullptr), 0)));
    const int count = getgroups(static_cast<int>(groups.size()), groups.data());
    groups.resize(static_cast<size_t>(std::max(count, 0)));
    m_groups.assign(groups.begin(), groups.end());
    m_bActing = setgroups(0, nullptr) == 0 && setegid(kNobody) == 0 && seteuid(kNobody) == 0;
}

ActAsNobody::~ActAsNobody() { Leave(); }

bool ActAsNobody::Leave() {
    if (!m_bRoot)
        return true;
    const std::vector<gid_t> groups(m_groups.begin(), m_groups.end());
    const bool back = seteuid(0) == 0 && setegid(static_cast<gid_t>(m_gid)) == 0 &&
                      setgroups(groups.size(), groups.data()) == 0;
    m_bActing = false;
    return back;
}

}  // namespace sys::process
