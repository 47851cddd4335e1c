#include "system/FileError.h"

#include <cstring>

namespace zelto::system {

FileError systemError(int errnum) {
    return {errnum, std::strerror(errnum)};
}

}  // namespace zelto::system
