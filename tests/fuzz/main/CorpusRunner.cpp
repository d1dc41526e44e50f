// Runs a fuzz target over every file of its seed corpus, so the seeds are checked in
// ordinary builds without libFuzzer. Each argument is a folder of seeds or one seed file: the
// kept corpus first, then the demo Home's files the build writes for the target. Prints one
// closing line the test runner reads.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void RunFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR|FILE...\n", argv[0]);
        return 2;
    }
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (std::filesystem::is_regular_file(argv[i], error)) {
            RunFile(argv[i]);
            ++files;
            continue;
        }
        std::filesystem::recursive_directory_iterator it(argv[i], error);
        if (error) {
            std::fprintf(stderr, "cannot read corpus %s\n", argv[i]);
            return 2;
        }
        for (const auto& entry : it) {
            if (!entry.is_regular_file())
                continue;
            RunFile(entry.path());
            ++files;
        }
    }
    std::printf("corpus: %d inputs run\n", files);
    return files > 0 ? 0 : 1;
}
