// Runs a fuzz target over stored inputs without libFuzzer: each argument is a file or a folder
// of files, or --random=N for N inputs of up to 128 pseudo-random bytes from a fixed seed. The
// ordinary builds use it to replay the seed corpora as regression tests, and to put the targets'
// checks to the code as the ordinary compiler builds it.
#include <algorithm>
#include <cstddef>
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

namespace {

bool replay(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(stream)),
                                          std::istreambuf_iterator<char>());
    std::printf("replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    std::size_t count = 0;
    for (int a = 1; a < argc; ++a) {
        const std::string arg(argv[a]);
        if (arg.rfind("--random=", 0) == 0) {
            const unsigned long n = std::stoul(arg.substr(9));
            std::mt19937 random(20240601);
            std::vector<std::uint8_t> bytes;
            for (unsigned long i = 0; i < n; ++i) {
                bytes.resize(random() % 129);
                // Mostly small bytes: the targets read a small byte as a choice from their
                // tables of telling values.
                for (std::uint8_t& b : bytes) {
                    b = static_cast<std::uint8_t>(random() % 4 != 0 ? random() % 24 : random());
                }
                LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
                ++count;
            }
            continue;
        }
        const std::filesystem::path path(arg);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
            std::sort(files.begin(), files.end());
        } else {
            files.push_back(path);
        }
        for (const auto& file : files) {
            if (!replay(file)) {
                return 1;
            }
            ++count;
        }
    }
    std::printf("%zu inputs replayed\n", count);
    // An empty corpus would make the regression test pass without testing anything.
    return count == 0 ? 1 : 0;
}
