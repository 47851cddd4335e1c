#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace zelto::test {

/// A fresh folder under $TMPDIR, removed with everything in it when the object goes.
class TempDir {
  public:
    TempDir() : path_(std::filesystem::temp_directory_path() / "zelto-test-XXXXXX") {
        if (mkdtemp(path_.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ += "/";
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /// The folder, with a trailing '/'.
    const std::string& path() const { return path_; }
    /// Writes `content` to a file of the folder and returns its full path.
    std::string write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ + name, std::ios::binary) << content;
        return path_ + name;
    }
    /// The content of a file of the folder ("" when it does not exist).
    std::string read(const std::string& name) const {
        std::ifstream in(path_ + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    std::string path_;
};

}  // namespace zelto::test
