#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace zelto::fuzz {

/// A private folder for harnesses whose parser reads a file by name; removed at exit.
class ScratchFolder {
  public:
    ScratchFolder() {
        // Memory, where there is a tmpfs: rewriting a file on a busy disk costs milliseconds,
        // a thousand times what the parse does.
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = base / "zelto-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        path_ = pattern + "/";
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    /// The folder, with a trailing '/'.
    const std::string& path() const { return path_; }

    void write(const std::string& name, std::string_view bytes) const {
        std::ofstream out(path_ + name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            std::abort();
    }

  private:
    std::string path_;
};

/// The input as bytes of text.
inline std::string_view asText(const unsigned char* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

/// Splits off the input's first line (a parameter of the call) from the rest (the bytes).
inline std::string_view firstLine(std::string_view& input) {
    const std::size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
    return line;
}

}  // namespace zelto::fuzz
