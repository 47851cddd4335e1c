#include "system/linux/Folders.h"

#include <sys/stat.h>

#include <cerrno>

namespace zelto::system {

std::optional<FileError> makeFolders(const std::string& path, SystemCalls& calls) {
    std::string partial;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t slash = path.find('/', pos);
        if (slash == std::string::npos)
            slash = path.size();
        partial = path.substr(0, slash);
        pos = slash + 1;
        if (partial.empty())
            continue;
        struct stat st {};
        if (::stat(partial.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return systemError(ENOTDIR);
            continue;
        }
        if (calls.mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            return systemError(errno);
    }
    return std::nullopt;
}

}  // namespace zelto::system
