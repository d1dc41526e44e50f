#include "sys/process.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

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

}  // namespace sys::process
