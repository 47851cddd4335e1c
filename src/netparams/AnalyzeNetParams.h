#pragma once

#include <functional>
#include <string>

#include "netparams/Snapshot.h"

namespace zelto::netparams {

/// The text of a section of the help file, each line followed by CR LF ("" when missing).
using HelpSection = std::function<std::string(const std::string& section)>;

/// The analysis of the snapshot for a lay user: the first kind of fault found (no adapters, no
/// address, no gateway, several addresses or adapters) with its advice, else
/// "No problems found".
std::string AnalyzeNetParams(const Snapshot& s, const HelpSection& help);

}  // namespace zelto::netparams
