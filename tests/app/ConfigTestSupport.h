#pragma once

// Helpers shared by the configuration and hub tests: reading a written file back, splitting
// it into CR LF lines, and keeping the working directory and the profile file of a test to
// itself.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sys/profile.h"

namespace tarvex::test {

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The text cut at every CR LF; a bare LF stays inside its line, so it shows up in comparisons.
inline std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
}

// Back to the working directory and the default profile file when the test ends.
class TestEnvironmentGuard {
public:
    TestEnvironmentGuard() : m_dir(std::filesystem::current_path()) {}
    ~TestEnvironmentGuard() {
        std::filesystem::current_path(m_dir);
        sys::profile::SetFile("");
    }
    TestEnvironmentGuard(const TestEnvironmentGuard&) = delete;
    TestEnvironmentGuard& operator=(const TestEnvironmentGuard&) = delete;

private:
    std::filesystem::path m_dir;
};

}  // namespace tarvex::test
