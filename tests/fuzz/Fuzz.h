#pragma once

// What every harness shares. A harness includes this once and defines fuzz::one, which the entry
// point below hands each input libFuzzer makes; in builds without libFuzzer, ReplayMain.cpp feeds
// the entry point a corpus.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace zelto::fuzz {

/// The harness: parses one input, and crashes where a property it checks does not hold.
void one(std::string_view input);

/// Crashes (a finding libFuzzer keeps) unless `holds`.
inline void require(bool holds) {
    if (!holds)
        std::abort();
}

/// Splits off the input's first part, up to `end` (a parameter of the call, a word), from the
/// rest.
inline std::string_view cut(std::string_view& input, char end = '\n') {
    const std::size_t at = input.find(end);
    const std::string_view part = input.substr(0, at);
    input = at == std::string_view::npos ? std::string_view{} : input.substr(at + 1);
    return part;
}

/// A private folder for harnesses whose parser reads a file by name; removed at exit.
struct ScratchFolder {
    // In memory: rewriting a file on a busy disk costs a thousand times what the parse does.
    /// The folder, with a trailing '/'.
    const std::string path = "/dev/shm/zelto-fuzz-" + std::to_string(::getpid()) + "/";

    ScratchFolder() { std::filesystem::create_directories(path); }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    void write(const std::string& name, std::string_view bytes) const {
        std::ofstream out(path + name, std::ios::binary | std::ios::trunc);
        require(!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).fail());
    }
};

}  // namespace zelto::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zelto::fuzz::one({reinterpret_cast<const char*>(data), size});
    return 0;
}
