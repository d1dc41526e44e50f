#include "sys/fs/fs.h"
#include "sys/text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

// Path mapping, file finding and the file operations of the seam, on POSIX calls so that every
// failure keeps its errno until it is turned into the number callers test.
namespace sys::fs {

namespace {

thread_local uint32_t t_lastError = kErrorNone;

bool Succeed() {
    t_lastError = kErrorNone;
    return true;
}

bool Fail(uint32_t error) {
    t_lastError = error;
    return false;
}

using sys::text::EqualNoCase;
constexpr auto Lower = sys::text::LowerAscii;

bool HasLetter(std::string_view s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

bool HasWildcard(std::string_view s) { return s.find_first_of("*?") != std::string_view::npos; }

bool IsDotEntry(std::string_view name) { return name == "." || name == ".."; }

// --- Path text -------------------------------------------------------------------------------

// A path split into components with "." removed and ".." applied by text.
struct ParsedPath {
    bool absolute = false;          // starts with "/" (a root written with "\" is the working dir)
    bool trailingSeparator = false;
    bool invalid = false;           // holds a NUL byte
    std::vector<std::string> parts;
};

ParsedPath Parse(std::string_view path) {
    ParsedPath parsed;
    if (path.find('\0') != std::string_view::npos) {
        parsed.invalid = true;
        return parsed;
    }
    bool hadDrive = false;
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
        path.remove_prefix(2);
        hadDrive = true;
    }
    parsed.absolute = !hadDrive && !path.empty() && path[0] == '/';
    parsed.trailingSeparator = !path.empty() && (path.back() == '/' || path.back() == '\\');
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == ".") {
            // doubled separators and "." name the folder they are in
        } else if (part == "..") {
            if (!parsed.parts.empty() && parsed.parts.back() != "..") {
                parsed.parts.pop_back();
            } else if (!parsed.absolute) {
                parsed.parts.emplace_back(part);
            }
        } else {
            parsed.parts.emplace_back(part);
        }
        start = end + 1;
    }
    return parsed;
}

std::string Join(const std::string& dir, std::string_view name) {
    // Appended in place: the concatenation operators draw a false overlap warning from GCC 12.
    std::string joined = dir;
    if (!joined.empty() && joined != "/") joined += '/';
    joined.append(name);
    return joined;
}

// The folder to hand to opendir for a resolved folder path ("" is the working directory).
std::string DirForOpen(const std::string& dir) { return dir.empty() ? std::string(".") : dir; }

std::string ParentOf(const std::string& native) {
    size_t slash = native.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return native.substr(0, slash);
}

std::string BaseName(const std::string& native) {
    size_t slash = native.find_last_of('/');
    return slash == std::string::npos ? native : native.substr(slash + 1);
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// The name under which `name` exists in `dir`: itself when written exactly, else the first
// entry in byte order that differs only in case. Empty when there is none.
std::string MatchEntry(const std::string& dir, const std::string& name) {
    struct stat st;
    if (lstat(Join(dir, name).c_str(), &st) == 0) return name;
    if (errno != ENOENT || !HasLetter(name)) return std::string();
    DirHandle handle(opendir(DirForOpen(dir).c_str()));
    if (!handle) return std::string();
    std::string best;
    while (dirent* entry = readdir(handle.get())) {
        std::string_view candidate(entry->d_name);
        if (EqualNoCase(candidate, name) && (best.empty() || candidate < best)) best = candidate;
    }
    return best;
}

// Resolves parts[0, count) against the disk. Once a component is missing, the rest are kept
// as written: nothing below a missing folder can exist.
std::string ResolveParts(const ParsedPath& parsed, size_t count) {
    // Most paths are written as they stand on disk, and then one look at the whole path settles
    // every component at once.
    if (count > 0) {
        std::string written = parsed.absolute ? "/" : "";
        for (size_t i = 0; i < count; ++i) written = Join(written, parsed.parts[i]);
        struct stat st;
        if (lstat(written.c_str(), &st) == 0) return written;
    }
    std::string current = parsed.absolute ? "/" : "";
    bool missing = false;
    for (size_t i = 0; i < count; ++i) {
        const std::string& part = parsed.parts[i];
        if (part == ".." || missing) {
            current = Join(current, part);
            continue;
        }
        std::string found = MatchEntry(current, part);
        if (found.empty()) {
            missing = true;
            current = Join(current, part);
        } else {
            current = Join(current, found);
        }
    }
    return current;
}

std::string Resolve(const ParsedPath& parsed) {
    std::string resolved = ResolveParts(parsed, parsed.parts.size());
    return resolved.empty() ? std::string(".") : resolved;
}

// --- Errors ----------------------------------------------------------------------------------

bool IsExistingDirectory(const std::string& native) {
    struct stat st;
    return stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Turns errno into the number callers test. A missing entry is "file not found" when its
// folder exists and "path not found" when the folder is missing too.
uint32_t MapErrno(int error, const std::string& native) {
    switch (error) {
        case ENOENT:
            return IsExistingDirectory(ParentOf(native)) ? kErrorFileNotFound : kErrorPathNotFound;
        case ENOTDIR: return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EISDIR: return kErrorAccessDenied;
        case EEXIST: return kErrorAlreadyExists;
        case ENOTEMPTY: return kErrorDirNotEmpty;
        case ENOSPC:
        case EDQUOT: return kErrorDiskFull;
        case EROFS: return kErrorWriteProtect;
        case ENAMETOOLONG: return kErrorFilenameTooLong;
        case EXDEV: return kErrorNotSameDevice;
        case EBUSY:
        case ETXTBSY: return kErrorSharingViolation;
        case EINVAL: return kErrorInvalidParameter;
        case EMFILE:
        case ENFILE: return kErrorTooManyOpenFiles;
        case ENOMEM: return kErrorNotEnoughMemory;
        case ELOOP: return kErrorInvalidName;
        default: return kErrorGenFailure;
    }
}

bool FailErrno(const std::string& native) { return Fail(MapErrno(errno, native)); }

// The same for a cause kept aside, which stays in errno for callers that tell the player why.
bool FailKeepingErrno(int cause, const std::string& native) {
    const uint32_t error = MapErrno(cause, native);
    errno = cause;
    return Fail(error);
}

// --- Status ----------------------------------------------------------------------------------

uint32_t AttributesFor(mode_t mode, std::string_view name) {
    uint32_t attributes = 0;
    if (S_ISDIR(mode)) attributes |= kAttributeDirectory;
    if ((mode & 0222) == 0) attributes |= kAttributeReadOnly;
    if (!name.empty() && name[0] == '.' && !IsDotEntry(name)) attributes |= kAttributeHidden;
    return attributes == 0 ? kAttributeNormal : attributes;
}

// Status of `name` relative to the folder `dirFd` (or AT_FDCWD). Follows a symbolic link and
// falls back to the link itself when it dangles. errno is kept on failure.
bool StatAt(int dirFd, const char* name, std::string_view displayName, FileStatus& status) {
    struct statx sx;
    const unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
    int rc = statx(dirFd, name, AT_STATX_SYNC_AS_STAT, mask, &sx);
    if (rc != 0 && errno == ENOENT) {
        rc = statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_STATX_SYNC_AS_STAT, mask, &sx);
    }
    if (rc == 0) {
        status.attributes = AttributesFor(sx.stx_mode, displayName);
        status.size = S_ISDIR(sx.stx_mode) ? 0 : sx.stx_size;
        status.accessTime = sx.stx_atime.tv_sec;
        status.writeTime = sx.stx_mtime.tv_sec;
        status.creationTime = (sx.stx_mask & STATX_BTIME)
                                  ? sx.stx_btime.tv_sec
                                  : std::min(sx.stx_mtime.tv_sec, sx.stx_ctime.tv_sec);
        return true;
    }
    if (errno != ENOSYS) return false;
    // Kernels without statx: no birth time.
    struct stat st;
    if (fstatat(dirFd, name, &st, 0) != 0) {
        if (errno != ENOENT || fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    }
    status.attributes = AttributesFor(st.st_mode, displayName);
    status.size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    status.accessTime = st.st_atim.tv_sec;
    status.writeTime = st.st_mtim.tv_sec;
    status.creationTime = std::min(st.st_mtim.tv_sec, st.st_ctim.tv_sec);
    return true;
}

// --- Finding ---------------------------------------------------------------------------------

// `*` is any run, `?` one character, letters without regard to case. Backtracks only to the
// last star, so a hostile pattern costs at most name length x pattern length steps.
bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") pattern = "*";
    size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        const bool one = p < pattern.size() && pattern[p] != '*' &&
                         (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]));
        if (one) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// "." and ".." first, then without regard to case; byte order settles names equal but for case.
bool FindOrder(const FindEntry& a, const FindEntry& b) {
    auto rank = [](const std::string& name) { return name == "." ? 0 : name == ".." ? 1 : 2; };
    if (rank(a.name) != rank(b.name)) return rank(a.name) < rank(b.name);
    size_t length = std::min(a.name.size(), b.name.size());
    for (size_t i = 0; i < length; ++i) {
        char x = Lower(a.name[i]), y = Lower(b.name[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
    return a.name < b.name;
}

// --- Copying ---------------------------------------------------------------------------------

// rename that never replaces an existing target; errno on failure.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without the flag: check, then rename (not atomic, but the best they allow).
    struct stat st;
    if (lstat(to.c_str(), &st) == 0) return EEXIST;
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Copies an open source into a new hidden temporary file beside `target`; returns its path,
// or empty with errno set.
std::string CopyToTemporary(int source, const struct stat& sourceStat, const std::string& target) {
    std::string hidden = ".";
    hidden += BaseName(target);
    hidden += ".XXXXXX";
    std::string temporary = Join(ParentOf(target), hidden);
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return std::string();
    // Only what a read brings is used: the buffer is not cleared first.
    constexpr size_t kBufferSize = 64 * 1024;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
    bool ok = true;
    for (;;) {
        ssize_t got = read(source, buffer.get(), kBufferSize);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (!WriteAll(fd, buffer.get(), static_cast<size_t>(got))) {
            ok = false;
            break;
        }
    }
    if (ok) {
        const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
        ok = fchmod(fd, sourceStat.st_mode & 0777) == 0 && futimens(fd, times) == 0 && fsync(fd) == 0;
    }
    int saved = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        errno = saved;
        return std::string();
    }
    return temporary;
}

// Copies source to target through a temporary file; false with the error number on failure.
// The source is opened without blocking so that a pipe or device named by mistake is refused
// instead of hanging the caller.
bool CopyNative(const std::string& source, const std::string& target, bool failIfExists, uint32_t& error) {
    int fd = open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = MapErrno(errno, source);
        return false;
    }
    struct stat sourceStat;
    if (fstat(fd, &sourceStat) != 0) {
        error = MapErrno(errno, source);
        close(fd);
        return false;
    }
    if (!S_ISREG(sourceStat.st_mode)) {
        error = kErrorAccessDenied;
        close(fd);
        return false;
    }
    struct stat targetStat;
    if (stat(target.c_str(), &targetStat) == 0) {
        error = failIfExists ? kErrorFileExists
              : (S_ISDIR(targetStat.st_mode) || (targetStat.st_mode & 0222) == 0) ? kErrorAccessDenied
                                                                                    : kErrorNone;
        if (error != kErrorNone) {
            close(fd);
            return false;
        }
    }
    std::string temporary = CopyToTemporary(fd, sourceStat, target);
    int saved = errno;
    close(fd);
    if (temporary.empty()) {
        error = MapErrno(saved, target);
        return false;
    }
    int rc = failIfExists ? RenameNoReplace(temporary, target)
                          : (rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno);
    if (rc != 0) {
        unlink(temporary.c_str());
        error = (rc == EEXIST && failIfExists) ? kErrorFileExists : MapErrno(rc, target);
        return false;
    }
    return true;
}

}  // namespace

std::string NativePath(std::string_view path) {
    ParsedPath parsed = Parse(path);
    if (parsed.invalid) return std::string();
    return Resolve(parsed);
}

std::string FullPath(std::string_view path) {
    std::string native = NativePath(path);
    if (native.empty() || native[0] == '/') return native;
    std::string cwd = GetCurrentDirectory();
    if (cwd.empty()) return std::string();
    // The native path holds no "." and only leading ".." components; apply those to the cwd.
    ParsedPath whole = Parse(cwd + "/" + native);
    std::string result;
    for (const std::string& part : whole.parts) result += "/" + part;
    return result.empty() ? std::string("/") : result;
}

uint32_t LastError() { return t_lastError; }

bool GetStatus(std::string_view path, FileStatus& status) {
    ParsedPath parsed = Parse(path);
    if (parsed.invalid) return Fail(kErrorInvalidName);
    std::string native = Resolve(parsed);
    if (!StatAt(AT_FDCWD, native.c_str(), BaseName(native), status)) return FailErrno(native);
    return Succeed();
}

uint32_t GetAttributes(std::string_view path) {
    FileStatus status;
    return GetStatus(path, status) ? status.attributes : kInvalidAttributes;
}

bool Exists(std::string_view path) {
    FileStatus status;
    return GetStatus(path, status);
}

bool IsDirectory(std::string_view path) {
    uint32_t attributes = GetAttributes(path);
    return attributes != kInvalidAttributes && (attributes & kAttributeDirectory) != 0;
}

bool IsSymbolicLink(std::string_view path) {
    ParsedPath parsed = Parse(path);
    if (parsed.invalid || parsed.parts.empty()) return false;
    struct stat st;
    return lstat(Resolve(parsed).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool FindFiles(std::string_view pattern, std::vector<FindEntry>& entries) {
    entries.clear();
    ParsedPath parsed = Parse(pattern);
    if (parsed.invalid) return Fail(kErrorInvalidName);
    if (parsed.parts.empty() || parsed.trailingSeparator) return Fail(kErrorFileNotFound);
    const size_t folderCount = parsed.parts.size() - 1;
    for (size_t i = 0; i < folderCount; ++i) {
        if (HasWildcard(parsed.parts[i])) return Fail(kErrorInvalidName);
    }
    const std::string folder = ResolveParts(parsed, folderCount);
    const std::string& namePattern = parsed.parts.back();
    DirHandle handle(opendir(DirForOpen(folder).c_str()));
    if (!handle) {
        int error = errno;
        const bool missing = error == ENOENT || error == ENOTDIR;
        return Fail(missing ? kErrorPathNotFound : MapErrno(error, DirForOpen(folder)));
    }
    const bool literal = !HasWildcard(namePattern);
    const bool atRoot = folder == "/";
    const int dirFd = dirfd(handle.get());
    std::string literalMatch = literal ? MatchEntry(folder, namePattern) : std::string();
    while (dirent* entry = readdir(handle.get())) {
        std::string_view name(entry->d_name);
        if (atRoot && IsDotEntry(name)) continue;
        if (literal ? name != literalMatch : !WildcardMatch(namePattern, name)) continue;
        FindEntry found;
        if (!StatAt(dirFd, entry->d_name, name, found)) continue;  // vanished meanwhile
        found.name = std::string(name);
        entries.push_back(std::move(found));
    }
    if (entries.empty()) return Fail(kErrorFileNotFound);
    std::sort(entries.begin(), entries.end(), FindOrder);
    return Succeed();
}

bool CreateDirectory(std::string_view path) {
    ParsedPath parsed = Parse(path);
    if (parsed.invalid) return Fail(kErrorInvalidName);
    if (parsed.parts.empty()) return Fail(kErrorAlreadyExists);
    std::string native = Resolve(parsed);
    if (mkdir(native.c_str(), 0777) != 0) return FailErrno(native);
    return Succeed();
}

bool RemoveDirectory(std::string_view path) {
    ParsedPath parsed = Parse(path);
    if (parsed.invalid) return Fail(kErrorInvalidName);
    std::string native = Resolve(parsed);
    struct stat st;
    if (lstat(native.c_str(), &st) != 0) return FailErrno(native);
    if (!S_ISDIR(st.st_mode)) return Fail(kErrorDirectory);
    if (rmdir(native.c_str()) != 0) {
        return Fail(errno == ENOTEMPTY || errno == EEXIST ? kErrorDirNotEmpty : MapErrno(errno, native));
    }
    return Succeed();
}

std::string GetCurrentDirectory() {
    std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
    if (!cwd) {
        Fail(MapErrno(errno, "."));
        return std::string();
    }
    Succeed();
    return std::string(cwd.get());
}

bool SetCurrentDirectory(std::string_view path) {
    ParsedPath parsed = Parse(path);
    if (parsed.invalid) return Fail(kErrorInvalidName);
    std::string native = Resolve(parsed);
    if (chdir(native.c_str()) != 0) {
        if (errno == ENOTDIR) {
            struct stat st;
            return Fail(stat(native.c_str(), &st) == 0 ? kErrorDirectory : kErrorPathNotFound);
        }
        return FailErrno(native);
    }
    return Succeed();
}

bool CopyFile(std::string_view from, std::string_view to, bool failIfExists) {
    ParsedPath source = Parse(from), target = Parse(to);
    if (source.invalid || target.invalid) return Fail(kErrorInvalidName);
    if (target.parts.empty()) return Fail(kErrorAccessDenied);  // the working directory itself
    uint32_t error = kErrorNone;
    if (!CopyNative(Resolve(source), Resolve(target), failIfExists, error)) return Fail(error);
    return Succeed();
}

bool MoveFile(std::string_view from, std::string_view to) {
    ParsedPath source = Parse(from), target = Parse(to);
    if (source.invalid || target.invalid) return Fail(kErrorInvalidName);
    if (source.parts.empty()) return Fail(kErrorAccessDenied);
    if (target.parts.empty()) return Fail(kErrorPathNotFound);
    const std::string sourceNative = Resolve(source);
    struct stat sourceStat;
    if (lstat(sourceNative.c_str(), &sourceStat) != 0) return FailErrno(sourceNative);

    // The target's folder is resolved; its name is matched separately so that a rename that
    // only changes case is told from a clash with another entry.
    const std::string folder = ResolveParts(target, target.parts.size() - 1);
    const std::string& written = target.parts.back();
    const std::string existing = MatchEntry(folder, written);
    if (!existing.empty()) {
        struct stat targetStat;
        const bool same = lstat(Join(folder, existing).c_str(), &targetStat) == 0 &&
                          targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino &&
                          EqualNoCase(existing, BaseName(sourceNative));
        if (!same) return Fail(kErrorAlreadyExists);
        if (existing == written) return Succeed();
    }
    const std::string targetNative = Join(folder, written);
    int rc = RenameNoReplace(sourceNative, targetNative);
    if (rc == 0) return Succeed();
    if (rc == EEXIST || rc == ENOTEMPTY) return Fail(kErrorAlreadyExists);
    if (rc != EXDEV) return Fail(MapErrno(rc, targetNative));
    if (!S_ISREG(sourceStat.st_mode)) return Fail(kErrorNotSameDevice);
    // Another disk: copy, then remove the source; undo the copy when the source stays.
    uint32_t error = kErrorNone;
    if (!CopyNative(sourceNative, targetNative, true, error)) return Fail(error);
    if (unlink(sourceNative.c_str()) != 0) {
        error = MapErrno(errno, sourceNative);
        unlink(targetNative.c_str());
        return Fail(error);
    }
    return Succeed();
}

bool DeleteFile(std::string_view path) {
    ParsedPath parsed = Parse(path);
    if (parsed.invalid) return Fail(kErrorInvalidName);
    if (parsed.parts.empty()) return Fail(kErrorAccessDenied);
    std::string native = Resolve(parsed);
    struct stat st;
    if (lstat(native.c_str(), &st) != 0) return FailErrno(native);
    if (S_ISDIR(st.st_mode)) return Fail(kErrorAccessDenied);
    if (!S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0) return Fail(kErrorAccessDenied);
    if (unlink(native.c_str()) != 0) return FailErrno(native);
    return Succeed();
}

bool GetDiskSpace(std::string_view path, DiskSpace& space) {
    ParsedPath parsed = Parse(path);
    if (parsed.invalid) return Fail(kErrorInvalidName);
    std::string native = Resolve(parsed);
    struct statvfs vfs;
    if (statvfs(native.c_str(), &vfs) != 0) return FailErrno(native);
    const uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    space.totalBytes = static_cast<uint64_t>(vfs.f_blocks) * unit;
    space.freeBytes = static_cast<uint64_t>(vfs.f_bfree) * unit;
    space.availableBytes = static_cast<uint64_t>(vfs.f_bavail) * unit;
    return Succeed();
}

namespace {

constexpr int kTemporaryAttempts = 16;

// The name of a save's temporary file beside the file at `nativePath`, for each attempt.
std::string TemporaryName(const std::string& nativePath, int attempt) {
    if (attempt <= 0) return nativePath + ".tmp";
    // Names nobody can foresee, so that no set of entries made beforehand holds every one.
    static std::atomic<uint64_t> drawn{0};
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    uint64_t x = (static_cast<uint64_t>(now.tv_sec) << 30) ^ static_cast<uint64_t>(now.tv_nsec) ^
                 (static_cast<uint64_t>(getpid()) << 40);
    x += drawn.fetch_add(1, std::memory_order_relaxed) * 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    char hex[9];
    std::snprintf(hex, sizeof(hex), "%08x", static_cast<unsigned>(x));
    std::string name = nativePath;
    name += '.';
    name += hex;
    name += ".tmp";
    return name;
}

// Creates a save's temporary file beside `target` as a new entry; its descriptor and name, or -1
// with errno set.
int CreateTemporary(const std::string& target, unsigned permissions, std::string& temporary) {
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        temporary = TemporaryName(target, attempt);
        const int fd = OpenNative(temporary, O_WRONLY | O_CREAT | O_EXCL, permissions);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

bool WriteFileAtomically(std::string_view path, std::string_view contents) {
    // A link at the name is replaced by the rename like any other entry: following it would let
    // a link planted in the folder make us write wherever it points.
    const std::string target = NativePath(path);
    // The replacement keeps the permissions of the file it replaces; a new file gets those any
    // file the user makes gets.
    struct stat old;
    const bool replacing = lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    std::string temporary;
    int fd = CreateTemporary(target, 0666, temporary);
    if (fd < 0) return FailKeepingErrno(errno, temporary);
    int cause = 0;
    if (replacing && fchmod(fd, old.st_mode & 07777) != 0) cause = errno;
    if (cause == 0 && (!WriteAll(fd, contents.data(), contents.size()) || fsync(fd) != 0)) cause = errno;
    if (close(fd) != 0 && cause == 0) cause = errno;
    const bool renaming = cause == 0;
    if (renaming && rename(temporary.c_str(), target.c_str()) != 0) cause = errno;
    if (cause == 0) return Succeed();
    unlink(temporary.c_str());
    return FailKeepingErrno(cause, renaming ? target : temporary);
}

bool CanCreateFileBeside(std::string_view path) {
    std::string temporary;
    const int fd = CreateTemporary(NativePath(path), 0600, temporary);
    if (fd < 0) return FailErrno(temporary);
    close(fd);
    unlink(temporary.c_str());
    return Succeed();
}

int OpenNative(const std::string& nativePath, int flags, unsigned permissions) {
    // What we create or truncate is the entry at the name itself: a link there, planted or
    // left, would carry our bytes to a file outside the folder.
    if ((flags & O_CREAT) != 0) flags |= O_NOFOLLOW;
    int fd;
    do {
        fd = open(nativePath.c_str(), flags | O_CLOEXEC | O_NONBLOCK, static_cast<mode_t>(permissions));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat st;
    int status = 0;
    int refusal = 0;
    if (fstat(fd, &st) != 0)
        refusal = errno;
    else if (S_ISDIR(st.st_mode))
        refusal = EISDIR;
    else if ((flags & O_ACCMODE) != O_WRONLY && !S_ISREG(st.st_mode))
        refusal = ENXIO;
    else if ((status = fcntl(fd, F_GETFL)) == -1 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0)
        refusal = errno;
    if (refusal != 0) {
        close(fd);
        errno = refusal;
        return -1;
    }
    return fd;
}

void OpenClosedStandardDescriptors() {
    // In rising order, so that each open takes the lowest free number, the one that is closed.
    for (const int standard : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(standard, F_GETFD) != -1 || errno != EBADF) continue;
        // Not closed on exec and not refused as a device: these are the descriptors any program
        // is given.
        const int fd = open("/dev/null", standard == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (fd >= 0 && fd != standard) {
            dup2(fd, standard);
            close(fd);
        }
    }
}

}  // namespace sys::fs
