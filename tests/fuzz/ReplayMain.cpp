// Runs a fuzz target without libFuzzer: each argument is a file, a folder of files, or
// --random=N for N inputs of up to 128 pseudo-random bytes from a fixed seed. The ordinary
// builds replay the seed corpora this way, so every build puts the targets' checks to the code.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    std::size_t count = 0;
    for (int a = 1; a < argc; ++a) {
        const std::string arg(argv[a]);
        std::vector<std::vector<std::uint8_t>> inputs;
        if (arg.rfind("--random=", 0) == 0) {
            std::mt19937 random(20240601);
            for (unsigned long n = std::stoul(arg.substr(9)); n > 0; --n) {
                std::vector<std::uint8_t> bytes(random() % 129);
                // Mostly small bytes, which the targets read as choices from their tables.
                for (std::uint8_t& b : bytes) {
                    b = static_cast<std::uint8_t>(random() % 4 != 0 ? random() % 24 : random());
                }
                inputs.push_back(bytes);
            }
        } else {
            std::vector<std::filesystem::path> files{arg};
            if (std::filesystem::is_directory(arg)) {
                files.assign(std::filesystem::directory_iterator(arg), {});
                std::sort(files.begin(), files.end());
            }
            for (const auto& file : files) {
                std::ifstream in(file, std::ios::binary);
                inputs.emplace_back(std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>());
                std::printf("%s: %zu bytes\n", file.c_str(), inputs.back().size());
            }
        }
        for (const auto& input : inputs) {
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(input.data(), input.size());
            ++count;
        }
    }
    std::printf("%zu inputs run\n", count);
    return count == 0 ? 1 : 0;  // an empty corpus would pass without testing anything
}
