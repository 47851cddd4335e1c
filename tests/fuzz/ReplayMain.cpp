// Feeds every file of the folder (or the one file) named on the command line to the harness
// once, the way libFuzzer replays a corpus, for builds without libFuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    if (argc == 2 && std::filesystem::is_directory(argv[1]))
        files.assign(std::filesystem::directory_iterator(argv[1]), {});
    else if (argc == 2)
        files.emplace_back(argv[1]);
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        // A copy of exactly the input's size, so that reading past its end is caught.
        const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), {}};
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("replayed %zu inputs\n", files.size());
    // An empty corpus is a mistake in the build, not a pass.
    return files.empty() ? 1 : 0;
}
