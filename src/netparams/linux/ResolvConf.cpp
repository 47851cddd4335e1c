#include "netparams/linux/ResolvConf.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace zelto::netparams {

namespace {

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])) != 0)
            ++i;
        const std::size_t start = i;
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])) == 0)
            ++i;
        if (i > start)
            out.push_back(line.substr(start, i - start));
    }
    return out;
}

template <class F>
void forEachLine(std::string_view text, F&& onLine) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (const std::size_t comment = line.find_first_of("#;"); comment != std::string_view::npos)
            line = line.substr(0, comment);
        onLine(words(line));
        start = end + 1;
    }
}

bool isIpv4(std::string_view text) {
    in_addr address{};
    return ::inet_pton(AF_INET, std::string(text).c_str(), &address) == 1;
}

std::string withoutTrailingDot(std::string_view name) {
    while (!name.empty() && name.back() == '.')
        name.remove_suffix(1);
    return std::string(name);
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

ResolverConfig parseResolvConf(std::string_view text) {
    ResolverConfig config;
    forEachLine(text, [&config](const std::vector<std::string_view>& w) {
        if (w.size() < 2)
            return;
        if (w[0] == "nameserver") {
            if (isIpv4(w[1]))
                config.nameservers.emplace_back(w[1]);
        } else if (w[0] == "domain") {
            config.domain = withoutTrailingDot(w[1]);
        } else if (w[0] == "search") {
            config.domain.clear();
            for (std::size_t i = 1; i < w.size() && config.domain.empty(); ++i)
                config.domain = withoutTrailingDot(w[i]);
        }
    });
    return config;
}

std::string domainFromHosts(std::string_view hosts, std::string_view hostName) {
    std::string domain;
    if (hostName.empty())
        return domain;
    forEachLine(hosts, [&](const std::vector<std::string_view>& w) {
        if (!domain.empty() || w.size() < 2)
            return;
        const std::string_view canonical = w[1];
        const bool names = std::any_of(w.begin() + 1, w.end(), [&](std::string_view name) {
            return sameName(name, hostName);
        });
        const std::size_t dot = canonical.find('.');
        if (dot == std::string_view::npos || dot == 0)
            return;
        if (names || sameName(canonical.substr(0, dot), hostName))
            domain = withoutTrailingDot(canonical.substr(dot + 1));
    });
    return domain;
}

bool onlyResolvedStub(const std::vector<std::string>& servers) {
    return !servers.empty() && std::all_of(servers.begin(), servers.end(), [](const auto& s) {
        return s == "127.0.0.53" || s == "127.0.0.54";
    });
}

bool onlyLocalRelay(const std::vector<std::string>& servers) {
    return !servers.empty() && std::all_of(servers.begin(), servers.end(),
                                           [](const auto& s) { return s.starts_with("127."); });
}

}  // namespace zelto::netparams
