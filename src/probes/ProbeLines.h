#pragma once

#include <string>

#include "probes/NetworkServices.h"

namespace zelto::probes {

/// True when a ping counts as passed: status 0 and the echoed data matched the payload.
bool pingPassed(const PingResult& result);

/// "            Successfully pinged <address> in <roundTrip>" (twelve leading spaces).
std::string pingSuccessLine(const std::string& address, const std::string& roundTrip);
/// "!!!!!!!!!!! Ping failed for <address>" (eleven '!').
std::string pingFailureLine(const std::string& address);
/// The line a finished ping writes: the success line when it passed, else the failure line.
std::string pingedLine(const std::string& address, const PingResult& result);

/// "            Successfully connected to <ip>:<port>" (twelve leading spaces).
std::string connectSuccessLine(const std::string& ip, int port);
/// "!!!!!!!!!!!  Failed to connect to <ip>:<port>" (eleven '!' and two spaces).
std::string connectFailureLine(const std::string& ip, int port);

}  // namespace zelto::probes
