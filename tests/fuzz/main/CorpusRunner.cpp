// Runs a fuzz target over every file of its seed corpus, so the seeds are checked in
// ordinary builds without libFuzzer. Prints one closing line the test runner reads.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    std::error_code error;
    std::filesystem::recursive_directory_iterator it(argv[1], error);
    if (error) {
        std::fprintf(stderr, "cannot read corpus %s\n", argv[1]);
        return 2;
    }
    int files = 0;
    for (const auto& entry : it) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        ++files;
    }
    std::printf("corpus: %d inputs run\n", files);
    return files > 0 ? 0 : 1;
}
