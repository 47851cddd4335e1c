#pragma once

#include <string>

namespace zelto::netparams {

/// Reads a whole file of at most `limit` bytes (the rest is ignored); false when it cannot be
/// opened or read. `modified` receives its modification time (seconds since 1970) when given.
bool readWholeFile(const std::string& path, std::string& out, std::size_t limit = 1 << 20,
                   long long* modified = nullptr);

}  // namespace zelto::netparams
