// Runs a fuzz target without libFuzzer: each argument is a file or a folder of files. The
// ordinary builds replay the seed corpora this way, so every build puts the targets' checks to
// the code.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    std::size_t count = 0;
    for (int a = 1; a < argc; ++a) {
        std::vector<std::filesystem::path> files{argv[a]};
        if (std::filesystem::is_directory(argv[a])) {
            files.assign(std::filesystem::directory_iterator(argv[a]), {});
            std::sort(files.begin(), files.end());
        }
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in),
                                                  std::istreambuf_iterator<char>()};
            std::printf("%s: %zu bytes\n", file.c_str(), input.size());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(input.data(), input.size());
            ++count;
        }
    }
    std::printf("%zu inputs run\n", count);
    return count == 0 ? 1 : 0;  // an empty corpus would pass without testing anything
}
