#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zelto::lab {

/// Writes `text` to an existing file such as a /proc/sys entry: true when all of it went.
bool writeFile(const std::string& path, const std::string& text) noexcept;
/// The whole content of a file, or nothing when it cannot be read.
std::optional<std::string> readFile(const std::string& path);
/// How many entries a folder holds besides "." and "..", such as /proc/self/fd (open
/// descriptors) or /proc/self/task (threads); 0 when it cannot be read.
std::size_t countEntries(const char* folder);
/// The /proc/sys path of a sysctl key: "net.ipv4.ip_forward" -> /proc/sys/net/ipv4/ip_forward.
std::string sysctlPath(const std::string& key);

}  // namespace zelto::lab
