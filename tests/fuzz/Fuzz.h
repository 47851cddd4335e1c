#pragma once

// What every harness shares. A harness defines fuzz::one; Entry.cpp hands it each input libFuzzer
// makes, and in builds without libFuzzer ReplayMain.cpp feeds it a corpus.

#include <unistd.h>

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

/// Splits off the input's first line (a parameter of the call) from the rest (the bytes).
inline std::string_view firstLine(std::string_view& input) {
    const std::size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
    return line;
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
