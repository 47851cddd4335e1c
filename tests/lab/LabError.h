#pragma once

#include <stdexcept>

namespace zelto::lab {

/// A lab step that failed: a command, a fork, a sysctl, a mount.
class LabError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace zelto::lab
