#pragma once

// Helpers of the fuzz targets whose readers take a file by name: a scratch folder of the
// running process (so targets run side by side never share one), removed when it ends, and
// writing an input into a file there.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "sys/process.h"


namespace fuzzsupport {

inline void Check(bool bCondition) {
    if (!bCondition)
        std::abort();
}

// A fresh folder for this target and process, removed when the process ends: in shared
// memory where the machine has it, since the readers' writers sync what they write and a sync
// to a disk costs more than a whole run; else under the system's temporary folder.
class Scratch {
public:
    explicit Scratch(const char* target) {
        const std::string name = std::string("tarvex-") + target + "-" + std::to_string(sys::process::CurrentId());
        const std::filesystem::path roots[] = {"/dev/shm", std::filesystem::temp_directory_path()};
        for (const std::filesystem::path& root : roots) {
            std::error_code error;
            m_path = root / name;
            std::filesystem::remove_all(m_path, error);
            if (std::filesystem::is_directory(root, error) && std::filesystem::create_directories(m_path, error))
                return;
        }
        std::abort();
    }
    ~Scratch() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string Path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

inline std::string ScratchFolder(const char* target) {
    static const Scratch scratch(target);
    return scratch.Path();
}

// Unbuffered, so that the input goes out in one write without a stream's set-up: some targets
// write a file for every run.
inline void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return;
    std::setvbuf(out, nullptr, _IONBF, 0);
    if (size > 0)
        std::fwrite(data, 1, size, out);
    std::fclose(out);
}

}  // namespace fuzzsupport
