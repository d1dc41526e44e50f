#include "sys/profile.h"
#include "sys/fs/fs.h"
#include "sys/text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// The profile file: read whole once and kept in memory with the answers given from it, read again
// only when the file on disk has changed (some screens ask for a value every frame, and nothing
// stops a user's file from being megabytes long), changed in memory line by line so that
// comments and unknown lines survive, and written back whole through a temporary file.
namespace sys::profile {

namespace {

// A profile is a few hundred bytes; anything this large is not ours and is never loaded.
constexpr size_t kMaxFileBytes = 4 * 1024 * 1024;

// What tells one version of the file on disk from another: a rewrite within the same second
// shows in the nanoseconds of the modification time, a replacement through a rename (as the
// profile's own writes and most editors do it) in the inode, and one of another length in the
// size. A rewrite whose modification time was put back (a restore, a copy that keeps times), a
// new owner or mode show only in the change time, which no caller can set.
struct Stamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static bool Same(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }
    bool operator==(const Stamp& other) const {
        return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
               Same(modified, other.modified) && Same(changed, other.changed);
    }
};

// The file as last read: its lines, whether it could be read at all, and the answers found in
// them so far by section and key, both folded to lower case (no value: the key is not there).
// Only keys asked for are remembered, so reading a changed file costs no more than before.
struct Loaded {
    bool known = false;  // false: nothing read yet, or the file's stamp could not be taken
    std::string path;
    Stamp stamp;
    bool readable = false;
    std::vector<std::string> lines;
    std::unordered_map<std::string, std::optional<std::string>> answers;
};

struct State {
    std::mutex mutex;
    std::string company;
    std::string file;  // empty: the per-user default
    Loaded loaded;
};

State& Shared() {
    static State state;
    return state;
}

// A CR is blank too: no stored value can hold one, and a line that ended in CR CR loses one
// of them when the file is written back with LF ends.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

using sys::text::EqualNoCase;

std::string DefaultFile() {
    std::string base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        std::string homeDir = home ? home : "";
        if (homeDir.empty()) {
            struct passwd entry;
            struct passwd* found = nullptr;
            std::vector<char> buffer(16384);
            const int rc = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
            if (rc == 0 && found && found->pw_dir) homeDir = found->pw_dir;
        }
        if (homeDir.empty()) return std::string();
        base = homeDir + "/.config";
    }
    return base + "/Tarvex/Tarvex.ini";
}

std::string CurrentFile(const State& state) { return state.file.empty() ? DefaultFile() : state.file; }

std::string FullSection(const State& state, Kind kind, std::string_view section) {
    if (kind == Kind::System) return "System/" + std::string(section);
    std::string name = "Application/";
    if (!state.company.empty()) name += state.company + "/";
    return name + std::string(section);
}

// --- The file as lines -----------------------------------------------------------------------

void SplitLines(std::string& text, std::vector<std::string>& lines) {
    lines.clear();
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
}

// Reads the profile file into lines (CR LF or LF). A missing file is an empty profile; any
// other failure, a file that is not a plain file, or an oversized one is an error.
bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    if (path.empty()) return false;
    const int fd = sys::fs::OpenNative(path, O_RDONLY);
    if (fd < 0) return errno == ENOENT;
    struct stat st;
    if (fstat(fd, &st) != 0 || static_cast<uint64_t>(st.st_size) > kMaxFileBytes) {
        close(fd);
        return false;
    }
    std::string text;
    char buffer[8192];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 || text.size() + static_cast<size_t>(got) > kMaxFileBytes) {
            close(fd);
            return false;
        }
        if (got == 0) break;
        text.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    SplitLines(text, lines);
    return true;
}

bool TakeStamp(const std::string& path, Stamp& stamp) {
    stamp = Stamp();
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return errno == ENOENT;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.modified = st.st_mtim;
    stamp.changed = st.st_ctim;
    return true;
}

bool ParseSection(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return false;
    size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(line.substr(1, close - 1));
    return true;
}

bool ParseKey(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#' || trimmed.front() == '[') {
        return false;
    }
    size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) return false;
    key = Trim(trimmed.substr(0, equals));
    value = Trim(trimmed.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return !key.empty();
}

// Where a key sits: the first line holding it in a section of that name, and the first such
// section with its last non-blank line (where a new key goes).
struct Location {
    size_t keyLine = std::string::npos;
    std::string storedKey;
    size_t sectionLine = std::string::npos;
    size_t sectionEnd = std::string::npos;
};

Location Locate(const std::vector<std::string>& lines, std::string_view section, std::string_view key) {
    Location at;
    bool inSection = false;
    bool inFirst = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view name, storedKey, value;
        if (ParseSection(lines[i], name)) {
            inSection = EqualNoCase(name, section);
            inFirst = inSection && at.sectionLine == std::string::npos;
            if (inFirst) at.sectionLine = at.sectionEnd = i;
            continue;
        }
        if (inFirst && !Trim(lines[i]).empty()) at.sectionEnd = i;
        if (inSection && at.keyLine == std::string::npos && ParseKey(lines[i], storedKey, value) &&
            EqualNoCase(storedKey, key)) {
            at.keyLine = i;
            at.storedKey = std::string(storedKey);
        }
    }
    return at;
}

// Sections and keys hold no line breaks, so one joins them without ambiguity.
std::string IndexKey(std::string_view section, std::string_view key) {
    std::string joined;
    joined.reserve(section.size() + 1 + key.size());
    for (char c : section) joined += sys::text::LowerAscii(c);
    joined += '\n';
    for (char c : key) joined += sys::text::LowerAscii(c);
    return joined;
}

// The program asks for a few dozen keys; names made up by callers could be without end.
constexpr size_t kMaxAnswers = 4096;

// The stored value of a key, from the answers while they hold it, else from the lines.
const std::optional<std::string>& Lookup(Loaded& loaded, std::string_view section, std::string_view key) {
    std::string joined = IndexKey(section, key);
    const auto found = loaded.answers.find(joined);
    if (found != loaded.answers.end()) return found->second;
    if (loaded.answers.size() >= kMaxAnswers) loaded.answers.clear();
    std::optional<std::string> value;
    const Location at = Locate(loaded.lines, section, key);
    if (at.keyLine != std::string::npos) {
        std::string_view storedKey, storedValue;
        ParseKey(loaded.lines[at.keyLine], storedKey, storedValue);
        value = std::string(storedValue);
    }
    return loaded.answers.emplace(std::move(joined), std::move(value)).first->second;
}

// The file as it is now: the copy in memory while the file's stamp is unchanged, else read
// anew. The stamp is taken before reading, so a change while reading is seen next time. A file
// that could not be read is tried again at every question: what kept it from being read (the
// rights of the process, a folder on its way, a lack of file handles) need not show in its stamp.
Loaded& Current(State& state) {
    Loaded& loaded = state.loaded;
    const std::string path = CurrentFile(state);
    Stamp stamp;
    const bool known = TakeStamp(path, stamp);
    if (known && loaded.known && loaded.readable && loaded.path == path && loaded.stamp == stamp) return loaded;
    loaded.known = known;
    loaded.path = path;
    loaded.stamp = stamp;
    loaded.readable = ReadLines(path, loaded.lines);
    if (!loaded.readable) loaded.lines.clear();
    loaded.answers.clear();
    return loaded;
}

// After the profile's own write: the text written is the file now, as a reading would see it.
void Remember(State& state, const std::string& path, std::string text) {
    Loaded& loaded = state.loaded;
    loaded.path = path;
    loaded.known = TakeStamp(path, loaded.stamp);
    loaded.readable = true;
    SplitLines(text, loaded.lines);
    loaded.answers.clear();
}

// Quotes a value whose edges the reader would otherwise trim or unquote.
std::string EncodeValue(std::string_view value) {
    const bool quote = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                                          (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
    if (!quote) return std::string(value);
    std::string quoted = "\"";
    quoted.append(value);
    quoted += '"';
    return quoted;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool StorableName(std::string_view name) {
    return !name.empty() && Trim(name).size() == name.size() && !HasLineBreak(name);
}

// --- Writing ---------------------------------------------------------------------------------


void CreateFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        mkdir(path.substr(0, slash).c_str(), 0700);
    }
}

bool ReplaceFile(const std::string& path, const std::string& text) {
    CreateFolders(path);
    return sys::fs::WriteFileAtomically(path, text);
}

// A value the player chose (the last officer, the display) is lost at the next start when its
// save fails: the player is told, the game plays on.
void ReportUnsaved(const std::string& path, const char* reason) {
    std::fprintf(stderr, "Tarvex: could not save %s: %s\n", path.empty() ? "the settings profile" : path.c_str(),
                 reason);
    std::fflush(stderr);
}

}  // namespace

void SetRegistryKey(std::string_view company) {
    State& state = Shared();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.company = std::string(company);
}

void SetFile(std::string_view path) {
    State& state = Shared();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.file = std::string(path);
}

std::string FilePath() {
    State& state = Shared();
    std::lock_guard<std::mutex> lock(state.mutex);
    return CurrentFile(state);
}

std::string GetString(Kind kind, std::string_view section, std::string_view key,
                      std::string_view defaultValue) {
    State& state = Shared();
    std::lock_guard<std::mutex> lock(state.mutex);
    const std::optional<std::string>& value = Lookup(Current(state), FullSection(state, kind, section), key);
    return value ? *value : std::string(defaultValue);
}

int GetInt(Kind kind, std::string_view section, std::string_view key, int defaultValue) {
    static const std::string kMissing("\n");  // no stored value can hold a line break
    std::string text = GetString(kind, section, key, kMissing);
    if (text == kMissing) return defaultValue;
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = std::min(limit, magnitude * 10 + (text[i] - '0'));
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

bool WriteString(Kind kind, std::string_view section, std::string_view key, std::string_view value) {
    if (!StorableName(section) || section.find(']') != std::string_view::npos) return false;
    if (!StorableName(key) || key.find('=') != std::string_view::npos || key.front() == '[' ||
        key.front() == ';' || key.front() == '#') {
        return false;
    }
    if (HasLineBreak(value)) return false;

    State& state = Shared();
    std::lock_guard<std::mutex> lock(state.mutex);
    const std::string path = CurrentFile(state);
    const std::string fullSection = FullSection(state, kind, section);
    if (!StorableName(fullSection) || fullSection.find(']') != std::string::npos) return false;
    const Loaded& loaded = Current(state);
    if (!loaded.readable) {
        ReportUnsaved(path, path.empty() ? "no home folder is known" : "it could not be read, and is kept as it is");
        return false;
    }
    std::vector<std::string> lines = loaded.lines;

    Location at = Locate(lines, fullSection, key);
    if (at.keyLine != std::string::npos) {
        lines[at.keyLine] = at.storedKey + "=" + EncodeValue(value);
    } else if (at.sectionLine != std::string::npos) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at.sectionEnd + 1),
                     std::string(key) + "=" + EncodeValue(value));
    } else {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + fullSection + "]");
        lines.push_back(std::string(key) + "=" + EncodeValue(value));
    }
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    if (!ReplaceFile(path, text)) {
        ReportUnsaved(path, std::strerror(errno));
        return false;
    }
    Remember(state, path, std::move(text));
    return true;
}

bool WriteInt(Kind kind, std::string_view section, std::string_view key, int value) {
    return WriteString(kind, section, key, std::to_string(value));
}

}  // namespace sys::profile
