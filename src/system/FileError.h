#pragma once

#include <string>

namespace zelto::system {

/// A failed file operation: the system's number and description of the error.
struct FileError {
    int number = 0;
    std::string description;
};

/// The error for `errnum` as the system describes it.
FileError systemError(int errnum);

}  // namespace zelto::system
