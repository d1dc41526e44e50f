#include "sys/library.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "sys/fs/fs.h"
#include "sys/signals.h"

namespace sys::library {

namespace {

thread_local std::string t_lastError;
thread_local std::string t_lastReason;

// `reason` says why without the names; empty when there was no file, which the name tells.
void Fail(std::string_view name, const std::string& path, std::string reason, std::string* error) {
    std::string text = "cannot load library \"" + std::string(name) + "\" as \"" + path + "\": " +
                       (reason.empty() ? std::string("no such file") : reason);
    if (error != nullptr) {
        *error = text;
    }
    t_lastError = std::move(text);
    t_lastReason = std::move(reason);
}

// The loader's own words name the file first ("/path/x.so: invalid ELF header"); the caller
// names it already.
std::string WithoutPath(std::string reason, const std::string& path) {
    if (reason.compare(0, path.size(), path) == 0 && reason.compare(path.size(), 2, ": ") == 0) {
        reason.erase(0, path.size() + 2);
    }
    return reason;
}

bool EndsWithDll(std::string_view name) {
    constexpr std::string_view kDll = ".dll";
    if (name.size() < kDll.size()) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - kDll.size());
    for (std::size_t i = 0; i < kDll.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i])) != kDll[i]) {
            return false;
        }
    }
    return true;
}

bool HasFolder(std::string_view name) {
    // A drive prefix ("C:VQ9Game.dll") names a place too; it is dropped later, so such a
    // name is taken as given rather than sent to the current directory a second time.
    return name.find_first_of("/\\:") != std::string_view::npos;
}

// --- What a library file says it holds ----------------------------------------------------
// The loader maps a library's segments as its program headers place them, past the end of the
// file too: touching such a page ends the process with a bus error. A file cut short (a copy
// or download that broke off) is therefore measured against its own headers before it is
// loaded. Only the few header fields needed for that are read, in both widths and byte orders.

class FileBytes {
public:
    FileBytes(int fd, uint64_t size, bool bigEndian) : m_fd(fd), m_size(size), m_bigEndian(bigEndian) {}

    // The unsigned integer of `width` bytes (2, 4 or 8) at `offset`; false when the file does
    // not hold it.
    bool Read(uint64_t offset, unsigned width, uint64_t& value) const {
        unsigned char bytes[8];
        if (offset > m_size || width > m_size - offset || !ReadAt(offset, bytes, width)) return false;
        value = 0;
        for (unsigned i = 0; i < width; ++i) {
            const unsigned char byte = bytes[m_bigEndian ? i : width - 1 - i];
            value = (value << 8) | byte;
        }
        return true;
    }

private:
    bool ReadAt(uint64_t offset, unsigned char* bytes, unsigned count) const {
        while (count > 0) {
            const ssize_t got = pread(m_fd, bytes, count, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            bytes += got;
            count -= static_cast<unsigned>(got);
            offset += static_cast<uint64_t>(got);
        }
        return true;
    }

    int m_fd;
    uint64_t m_size;
    bool m_bigEndian;
};

// Where the fields sit in the file header, the program header and the first section header
// of the 32-bit and the 64-bit layout.
struct ElfLayout {
    unsigned headerSize;
    unsigned addressWidth;
    unsigned programTableAt, sectionTableAt;
    unsigned programEntrySizeAt, programCountAt, sectionEntrySizeAt, sectionCountAt;
    unsigned programEntrySize, segmentOffsetAt, segmentFileSizeAt;
    unsigned sectionEntrySize, sectionSizeAt, sectionInfoAt;
};
constexpr ElfLayout kElf32{52, 4, 28, 32, 42, 44, 46, 48, 32, 4, 16, 40, 20, 28};
constexpr ElfLayout kElf64{64, 8, 32, 40, 54, 56, 58, 60, 56, 8, 32, 64, 32, 44};
// A count field of this value says the real number of program headers is kept in the first
// section header; a section count of 0 with a section table says the same of sections.
constexpr uint64_t kProgramCountElsewhere = 0xFFFF;

// The end of `count` entries of `size` bytes from `start`, or false when it overflows.
bool TableEnd(uint64_t start, uint64_t count, uint64_t size, uint64_t& end) {
    if (count != 0 && size > (UINT64_MAX - start) / count) return false;
    end = start + count * size;
    return true;
}

// Empty when the file holds all that its headers say it does, else why it cannot be loaded.
// A file that is no ELF file at all is left to the loader to refuse in its own words.
std::string CheckLength(int fd, uint64_t size) {
    unsigned char ident[6];
    ssize_t got;
    do {
        got = pread(fd, ident, sizeof ident, 0);
    } while (got < 0 && errno == EINTR);
    if (got < 4 || std::memcmp(ident, "\x7f" "ELF", 4) != 0) return std::string();
    if (got < static_cast<ssize_t>(sizeof ident)) return "the file ends inside its header";
    const ElfLayout* layout = ident[4] == 1 ? &kElf32 : ident[4] == 2 ? &kElf64 : nullptr;
    if (layout == nullptr || (ident[5] != 1 && ident[5] != 2)) return std::string();
    const FileBytes file(fd, size, ident[5] == 2);
    const ElfLayout& at = *layout;
    if (size < at.headerSize) return "the file ends inside its header";

    uint64_t programTable = 0, programEntrySize = 0, programCount = 0;
    uint64_t sectionTable = 0, sectionEntrySize = 0, sectionCount = 0;
    if (!file.Read(at.programTableAt, at.addressWidth, programTable) ||
        !file.Read(at.sectionTableAt, at.addressWidth, sectionTable) ||
        !file.Read(at.programEntrySizeAt, 2, programEntrySize) || !file.Read(at.programCountAt, 2, programCount) ||
        !file.Read(at.sectionEntrySizeAt, 2, sectionEntrySize) || !file.Read(at.sectionCountAt, 2, sectionCount)) {
        return "the file ends inside its header";
    }
    if (sectionTable != 0 && (sectionCount == 0 || programCount == kProgramCountElsewhere)) {
        if (sectionEntrySize < at.sectionEntrySize) return "its section headers are damaged";
        uint64_t value = 0;
        if (sectionCount == 0) {
            if (!file.Read(sectionTable + at.sectionSizeAt, at.addressWidth, value))
                return "the file is shorter than its section headers say";
            sectionCount = value;
        }
        if (programCount == kProgramCountElsewhere) {
            if (!file.Read(sectionTable + at.sectionInfoAt, 4, value))
                return "the file is shorter than its section headers say";
            programCount = value;
        }
    }
    uint64_t end = 0;
    if (sectionTable != 0 && (!TableEnd(sectionTable, sectionCount, sectionEntrySize, end) || end > size))
        return "the file is shorter than its section headers say";
    if (programCount != 0 && programEntrySize < at.programEntrySize) return "its program headers are damaged";
    if (!TableEnd(programTable, programCount, programEntrySize, end) || end > size)
        return "the file is shorter than its program headers say";
    for (uint64_t i = 0; i < programCount; ++i) {
        const uint64_t entry = programTable + i * programEntrySize;
        uint64_t offset = 0, fileSize = 0;
        if (!file.Read(entry + at.segmentOffsetAt, at.addressWidth, offset) ||
            !file.Read(entry + at.segmentFileSizeAt, at.addressWidth, fileSize)) {
            return "the file is shorter than its program headers say";
        }
        if (offset > size || fileSize > size - offset) return "the file is shorter than its segments say";
    }
    return std::string();
}

// Empty when the file may be handed to the loader, else why not; `missing` when there is no
// file. A file that cannot be opened otherwise is left to the loader, which says why in its own
// words.
std::string CheckFile(const std::string& path, bool& missing) {
    // Opening a FIFO for reading would wait for a writer that never comes; the seam refuses it.
    const int fd = sys::fs::OpenNative(path, O_RDONLY);
    missing = fd < 0 && errno == ENOENT;
    if (fd < 0) return errno == ENXIO || errno == EISDIR ? "it is not a regular file" : std::string();
    struct stat status;
    const std::string why =
        fstat(fd, &status) != 0 ? std::strerror(errno) : CheckLength(fd, static_cast<uint64_t>(status.st_size));
    close(fd);
    return why;
}

// --- A load tried apart ---------------------------------------------------------------------
// A damaged dynamic section, a string table pointing anywhere, junk in the code the library's
// initialisers run: the loader and those initialisers fault inside the process that loads it,
// and no length check sees such damage. The load is therefore tried first in a child process,
// which says through a pipe whether its load returned, and ends; only when the child says so is
// the library loaded here: an initialiser may end the process as well (with any status, 0 too)
// without the load ever returning. The program may run other threads by now, so the child does
// no more than load and end (the C library makes the loader's own lock usable after fork).

// What the child writes first: its load returned, or the loader refused it (its words follow).
constexpr char kTrialLoaded = 'L';
constexpr char kTrialRefused = 'R';
// How long a trial that takes its time goes without looking for a close request.
constexpr int kCloseCheckMs = 50;
const char* const kClosing = "the program is closing";

std::string DescribeSignal(int signal) {
    const char* name = strsignal(signal);
    return "loading it ends a process with signal " + std::to_string(signal) +
           (name != nullptr ? " (" + std::string(name) + ")" : std::string());
}

[[noreturn]] void RunTrial(const std::string& path, pid_t parent, int writeEnd) {
    // A trial left running would outlive a program killed meanwhile; a parent that has already
    // gone is seen by the parent the child has now.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    // A fault is the answer here: it ends the child as it is, without a core file or a handler
    // (a sanitizer's, the program's close handler) that would turn it into something else.
    // SIGPIPE stays ignored, as it is where the library will be loaded.
    const struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    for (const int which : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT})
        sigaction(which, &plain, nullptr);
    // A close signal ends the trial, as the program's own request ends its wait; one the program
    // was started with ignored (a game run under "nohup") stays ignored, or the hang-up that the
    // program outlives would end its trial and refuse the library.
    sys::signals::RemoveCloseHandler();
    // An initialiser that calls exit() ends the child there with the library's own handlers run;
    // the program's (its statics, its unwritten output) belong to the parent and are skipped.
    on_exit([](int status, void*) { _exit(status); }, nullptr);
    // The initialisers run again when the library is loaded here: what they print is said then,
    // once; a damaged library's last words (a checker's, the loader's) are the refusal's reason.
    const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (quiet >= 0) {
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
    }
    if (dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL) != nullptr) _exit(write(writeEnd, &kTrialLoaded, 1) == 1 ? 0 : 1);
    const char* reason = dlerror();
    ssize_t written = write(writeEnd, &kTrialRefused, 1);
    if (reason != nullptr && written == 1) written = write(writeEnd, reason, std::strlen(reason));
    _exit(1);
}

// One read of the pipe, kept up to a bound; what read() answered.
ssize_t ReadSome(int readEnd, std::string& said) {
    char buffer[1024];
    ssize_t got;
    do {
        got = read(readEnd, buffer, sizeof buffer);
    } while (got < 0 && errno == EINTR);
    if (got > 0 && said.size() < 4096) said.append(buffer, static_cast<size_t>(got));
    return got;
}

// Waits for the child to end and keeps what it wrote: 0 once it has ended, -1 when a close
// request came first (which ends the child), else why it could not be waited for. A process the
// library's initialisers started may hold the pipe open after the child has ended, so the pipe
// is read as it fills and its end is not waited for.
int AwaitTrial(pid_t child, int readEnd, int& status, std::string& said) {
    // Readable once the child has ended; without it (an older kernel) the end is seen at the
    // next look.
    const int ending = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    pollfd watched[2] = {{readEnd, POLLIN, 0}, {ending, POLLIN, 0}};
    int result = -1;
    while (!sys::signals::IsCloseRequested()) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR)) {
            result = done == child ? 0 : errno;
            break;
        }
        if (poll(watched, 2, kCloseCheckMs) > 0 && watched[0].revents != 0) {
            const ssize_t got = ReadSome(readEnd, said);
            if (got == 0 || (got < 0 && errno != EAGAIN)) watched[0].fd = -1;
        }
    }
    if (result == -1) {
        kill(child, SIGKILL);
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    // All the child wrote is in the pipe once it has ended.
    while (said.size() < 4096 && ReadSome(readEnd, said) > 0) {
    }
    if (ending >= 0) close(ending);
    return result;
}

// Empty when the library loads in a child process, else why it does not.
std::string TryLoadApart(const std::string& path) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return std::string("no trial load: ") + std::strerror(errno);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        const int failure = errno;
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return std::string("no trial load: ") + std::strerror(failure);
    }
    if (child == 0) RunTrial(path, parent, pipeEnds[1]);
    close(pipeEnds[1]);
    int status = 0;
    std::string said;
    const int awaited = AwaitTrial(child, pipeEnds[0], status, said);
    close(pipeEnds[0]);
    if (awaited == -1) return kClosing;
    if (awaited != 0) return std::string("no trial load: ") + std::strerror(awaited);
    if (WIFSIGNALED(status)) return DescribeSignal(WTERMSIG(status));
    if (said.size() == 1 && said[0] == kTrialLoaded && WEXITSTATUS(status) == 0) return std::string();
    if (said.size() > 1 && said[0] == kTrialRefused) return WithoutPath(said.substr(1), path);
    return "loading it ends a process with status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace

std::string FileNameFor(std::string_view name) {
    std::string file(name);
    if (EndsWithDll(name)) {
        file.resize(file.size() - 4);
        file += ".so";
    }
    if (!HasFolder(name)) {
        file.insert(0, "./");
    }
    return file;
}

Handle Load(std::string_view name, std::string* error) {
    if (name.empty()) {
        const std::string why = "no library name given";
        if (error != nullptr) *error = why;
        t_lastError = t_lastReason = why;
        return nullptr;
    }
    std::string path = sys::fs::NativePath(FileNameFor(name));
    // dlopen searches the system's folders for a name without "/", and hands back a library
    // already loaded under the same name, so "./VQ9Game.so" in another folder would be the
    // library loaded from the first one: a relative path is made absolute.
    if (path.empty() || path[0] != '/') {
        const std::string current = sys::fs::GetCurrentDirectory();
        if (!current.empty()) {
            path.insert(0, current.back() == '/' ? current : current + "/");
        } else if (path.find('/') == std::string::npos) {
            path.insert(0, "./");
        }
    }
    bool missing = false;
    std::string refused = CheckFile(path, missing);
    Handle library = nullptr;
    if (refused.empty()) {
        // A library loaded already is counted once more; it needs no trial.
        library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
        if (library != nullptr) return library;
        if (missing) {
            Fail(name, path, std::string(), error);
            return nullptr;
        }
        // Nothing is started once the program is asked to close: a trial may take long.
        refused = sys::signals::IsCloseRequested() ? kClosing : TryLoadApart(path);
    }
    if (!refused.empty()) {
        Fail(name, path, std::move(refused), error);
        return nullptr;
    }
    if (sys::signals::IsCloseRequested()) {
        Fail(name, path, kClosing, error);
        return nullptr;
    }
    dlerror();
    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = dlerror();
        Fail(name, path, reason != nullptr ? WithoutPath(reason, path) : std::string("unknown error"), error);
        return nullptr;
    }
    return library;
}

void* Symbol(Handle library, const char* name) {
    if (library == nullptr || name == nullptr) {
        t_lastError = "no library or no symbol name given";
        return nullptr;
    }
    dlerror();
    void* address = dlsym(library, name);
    const char* reason = dlerror();
    if (reason != nullptr) {
        t_lastError = "symbol \"" + std::string(name) + "\" not found: " + reason;
        return nullptr;
    }
    if (address == nullptr) {
        // An exported name whose value is null is no use to any caller here.
        t_lastError = "symbol \"" + std::string(name) + "\" has no address";
    }
    return address;
}

void Unload(Handle library) {
    if (library != nullptr) {
        dlclose(library);
    }
}

std::string LastError() { return t_lastError; }

std::string LastReason() { return t_lastReason; }

}  // namespace sys::library
