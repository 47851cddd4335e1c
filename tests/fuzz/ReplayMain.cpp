// Feeds every file of the folder named on the command line to the harness once, the way
// libFuzzer replays a corpus, for builds without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    std::size_t replayed = 0;
    // No folder, or none there, throws: the test fails.
    for (const auto& file : std::filesystem::directory_iterator(argc == 2 ? argv[1] : "")) {
        std::ifstream in(file.path(), std::ios::binary);
        // A copy of exactly the input's size, so that reading past its end is caught.
        const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in), {}};
        LLVMFuzzerTestOneInput(input.data(), input.size());
        ++replayed;
    }
    std::printf("replayed %zu inputs\n", replayed);
    // An empty corpus is a mistake in the build, not a pass.
    return replayed == 0 ? 1 : 0;
}
