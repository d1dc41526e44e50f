#pragma once

// Inputs of the fuzz targets whose readers take a folder of files: a leading part (a catalog, an
// archive, a file of its own) and then the files the folder holds, each written as
//   kFileMark <path relative to the folder> "\n" <bytes>
// (kFileMark also ends the leading part). The folder is filled for one input and emptied after
// it; a path that is empty, absolute, climbs out with "..", or holds a drive colon is left out,
// so nothing outside the folder is written. The seed writer, tools/fuzzseeds, joins inputs the
// same way.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "sys/window/headless/headless_dialogs.h"
#include "tests/fuzz/FuzzSupport.h"

namespace fuzzsupport {

inline constexpr std::string_view kFileMark = "\n@@file@@";

struct FolderFile {
    std::string path;  // "/" separated, relative
    std::string_view bytes;
};

struct FolderInput {
    std::string_view head;
    std::vector<FolderFile> files;
};

// A relative path with "/" separators, or empty when the path may not be written.
inline std::string SafeRelativePath(std::string_view name) {
    std::string path(name);
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    if (path.empty() || path.size() > 200 || path.front() == '/' || path.find('\0') != std::string::npos ||
        path.find(':') != std::string::npos)
        return {};
    for (size_t at = 0; at <= path.size();) {
        const size_t end = std::min(path.find('/', at), path.size());
        const std::string_view part(path.data() + at, end - at);
        if (part.empty() || part == "." || part == "..")
            return {};
        at = end + 1;
    }
    return path;
}

// At most `maxFiles` files; the ones past it stay in the last file's bytes.
inline FolderInput SplitFolderInput(const uint8_t* data, size_t size, size_t maxFiles = 12) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    FolderInput input;
    size_t at = all.find(kFileMark);
    input.head = all.substr(0, at);
    while (at != std::string_view::npos && input.files.size() < maxFiles) {
        const size_t nameAt = at + kFileMark.size();
        const size_t newline = all.find('\n', nameAt);
        if (newline == std::string_view::npos)
            break;
        const size_t next = input.files.size() + 1 < maxFiles ? all.find(kFileMark, newline + 1) : std::string_view::npos;
        const std::string_view bytes =
            all.substr(newline + 1, next == std::string_view::npos ? std::string_view::npos : next - newline - 1);
        const std::string path = SafeRelativePath(all.substr(nameAt, newline - nameAt));
        if (!path.empty())
            input.files.push_back(FolderFile{path, bytes});
        at = next;
    }
    return input;
}

// The target's folder for the input files, in memory where the machine has a folder there
// (making files on a disk costs more than the rest of a run), removed when the process ends.
inline std::string InputRoot(const char* target) {
    static const struct Root {
        explicit Root(const char* target) {
            std::error_code error;
            const std::filesystem::path memory = "/dev/shm";
            const std::filesystem::path base =
                std::filesystem::is_directory(memory, error) ? memory : std::filesystem::temp_directory_path();
            path = base / (std::string("tarvex-") + target + "-" + std::to_string(sys::process::CurrentId()));
            std::filesystem::remove_all(path, error);
            std::filesystem::create_directories(path, error);
        }
        ~Root() {
            std::error_code error;
            std::filesystem::remove_all(path, error);
        }
        std::filesystem::path path;
    } s_root(target);
    return s_root.path.string();
}

// The folder "files" in the target's input root, holding one input's files while it lives.
// The message boxes the readers showed for the files are forgotten with them: the headless
// record of every box would otherwise grow from input to input.
class InputFolder {
public:
    InputFolder(const char* target, const std::vector<FolderFile>& files)
        : m_path(std::filesystem::path(InputRoot(target)) / "files") {
        Clear();
        std::error_code error;
        std::filesystem::create_directories(m_path, error);
        for (const FolderFile& file : files) {
            const std::filesystem::path path = m_path / file.path;
            std::filesystem::create_directories(path.parent_path(), error);
            if (!std::filesystem::is_directory(path, error))
                WriteFile(path.string(), reinterpret_cast<const uint8_t*>(file.bytes.data()), file.bytes.size());
        }
    }
    ~InputFolder() {
        Clear();
        sys::dialogs::headless::Reset();
    }
    InputFolder(const InputFolder&) = delete;
    InputFolder& operator=(const InputFolder&) = delete;

    std::string Path() const { return m_path.string(); }

private:
    void Clear() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    std::filesystem::path m_path;
};

// Whether the bytes name a way out of a folder ("../" or "..\"), which would let a reader that
// joins a name from the input to the folder open any file of the machine (a device that never
// ends, a huge special file). Such inputs are skipped.
inline bool ClimbsOut(const uint8_t* data, size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    return all.find("../") != std::string_view::npos || all.find("..\\") != std::string_view::npos;
}

}  // namespace fuzzsupport
