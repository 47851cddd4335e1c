#pragma once

#include <string>

namespace zelto::probes {

/// Splits "address:port": returns false (the no-port flag) after cutting `item` to its address
/// part and setting `targetPort`; returns true and leaves both unchanged when there is no valid
/// port (no ':', a last character that is not a digit, or a port outside 1 to 65535).
bool SplitPort(std::string& item, int& targetPort);

}  // namespace zelto::probes
