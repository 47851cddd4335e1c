#include "profiles/linux/OwnExecutable.h"

#include <limits.h>
#include <unistd.h>

namespace zelto::profiles {

std::string ownExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer)
        return {};
    return std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace zelto::profiles
