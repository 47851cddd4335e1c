#pragma once

#include <string>

namespace zelto::package {

inline constexpr const char* kLauncherName = "Zelto.desktop";
inline constexpr const char* kRemovalScriptName = "Zelto_remove.sh";

/// The desktop launcher that starts `program`, the installed executable, in its folder.
std::string launcherText(const std::string& program);

/// The removal script: asks before it removes the folder `installDir` with its files and
/// before it removes the launcher `launcher`; it leaves itself in place.
std::string removalScript(const std::string& installDir, const std::string& launcher);

/// `path` without trailing '/' (the root stays "/").
std::string withoutTrailingSlash(std::string path);

}  // namespace zelto::package
