#include "probes/ProbeLines.h"

namespace zelto::probes {

bool pingPassed(const PingResult& result) {
    return result.status == 0 && result.dataMatches.value_or(false);
}

std::string pingSuccessLine(const std::string& address, const std::string& roundTrip) {
    return "            Successfully pinged " + address + " in " + roundTrip;
}

std::string pingFailureLine(const std::string& address) {
    return "!!!!!!!!!!! Ping failed for " + address;
}

std::string pingedLine(const std::string& address, const PingResult& result) {
    return pingPassed(result) ? pingSuccessLine(address, result.roundTrip)
                              : pingFailureLine(address);
}

std::string connectSuccessLine(const std::string& ip, int port) {
    return "            Successfully connected to " + ip + ":" + std::to_string(port);
}

std::string connectFailureLine(const std::string& ip, int port) {
    return "!!!!!!!!!!!  Failed to connect to " + ip + ":" + std::to_string(port);
}

}  // namespace zelto::probes
