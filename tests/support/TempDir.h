#pragma once

#include <string>

namespace zelto::test {

/// A fresh folder under $TMPDIR, removed with everything in it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /// The folder, with a trailing '/'.
    const std::string& path() const { return path_; }
    /// Writes `content` to a file of the folder and returns its full path.
    std::string write(const std::string& name, const std::string& content) const;
    /// The content of a file of the folder ("" when it does not exist).
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;

  private:
    std::string path_;
};

}  // namespace zelto::test
