// Feeds every file of the folders (or files) named on the command line to the harness once,
// the way libFuzzer replays a corpus, for builds without libFuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<std::filesystem::path> files{argv[i]};
        if (std::filesystem::is_directory(files[0]))
            files.assign(std::filesystem::directory_iterator(argv[i]), {});
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            // A copy of exactly the input's size, so that reading past its end is caught.
            const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), {}};
            if (!in.is_open()) {
                std::fprintf(stderr, "cannot read %s\n", file.c_str());
                return 1;
            }
            LLVMFuzzerTestOneInput(input.data(), input.size());
            ++count;
        }
    }
    std::printf("replayed %d inputs\n", count);
    // An empty corpus is a mistake in the build, not a pass.
    return count > 0 ? 0 : 1;
}
