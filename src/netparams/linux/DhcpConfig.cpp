#include "netparams/linux/DhcpConfig.h"

#include <algorithm>
#include <cctype>

namespace zelto::netparams {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0)
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0)
        text.remove_suffix(1);
    return text;
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Calls `onLine` with every line of `text`, trimmed.
template <class F>
void forEachLine(std::string_view text, F&& onLine) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        onLine(trimmed(text.substr(0, end)));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
}

// Whitespace-separated words; networkd quotes a list's items when they hold spaces.
std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (std::isspace(static_cast<unsigned char>(text[i])) != 0) {
            ++i;
            continue;
        }
        const char quote = text[i] == '"' || text[i] == '\'' ? text[i] : '\0';
        const std::size_t start = quote != '\0' ? i + 1 : i;
        std::size_t end = start;
        while (end < text.size() &&
               (quote != '\0' ? text[end] != quote
                              : std::isspace(static_cast<unsigned char>(text[end])) == 0))
            ++end;
        out.emplace_back(text.substr(start, end - start));
        i = end + (quote != '\0' ? 1 : 0);
    }
    return out;
}

}  // namespace

NetworkdLinkState parseNetworkdLinkState(std::string_view text) {
    NetworkdLinkState state;
    std::vector<std::string> dropins;
    forEachLine(text, [&](std::string_view line) {
        const std::size_t equals = line.find('=');
        if (line.starts_with('#') || equals == std::string_view::npos)
            return;
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (key == "ADMIN_STATE") {
            state.adminState = std::string(value);
        } else if (key == "NETWORK_FILE" && !value.empty()) {
            state.networkFiles.insert(state.networkFiles.begin(), std::string(value));
        } else if (key == "NETWORK_FILE_DROPINS") {
            dropins = words(value);
        }
    });
    if (!state.networkFiles.empty())
        state.networkFiles.insert(state.networkFiles.end(), dropins.begin(), dropins.end());
    return state;
}

std::optional<bool> networkFileDhcp4(std::string_view text) {
    std::optional<bool> dhcp;
    bool inNetwork = false;
    forEachLine(text, [&](std::string_view line) {
        if (line.starts_with('[')) {
            inNetwork = line == "[Network]";
            return;
        }
        const std::size_t equals = line.find('=');
        if (!inNetwork || equals == std::string_view::npos ||
            trimmed(line.substr(0, equals)) != "DHCP")
            return;
        const std::string value = lower(trimmed(line.substr(equals + 1)));
        // An empty assignment resets the setting to its default, which is no DHCP.
        if (value == "yes" || value == "true" || value == "on" || value == "1" || value == "ipv4" ||
            value == "both" || value == "v4")
            dhcp = true;
        else
            dhcp = false;
    });
    return dhcp;
}

std::optional<bool> ifupdownDhcp(std::string_view text, std::string_view name) {
    std::optional<bool> dhcp;
    forEachLine(text, [&](std::string_view line) {
        const std::vector<std::string> w = words(line.substr(0, line.find('#')));
        if (w.size() < 4 || w[0] != "iface" || w[1] != name || w[2] != "inet")
            return;
        if (w[3] == "dhcp")
            dhcp = true;
        else if (w[3] == "static" || w[3] == "loopback")
            dhcp = false;
        else
            dhcp.reset();
    });
    return dhcp;
}

bool isDhcpClient(std::string_view cmdline) {
    const std::string_view program = cmdline.substr(0, cmdline.find('\0'));
    const std::string_view base = program.substr(program.rfind('/') + 1);
    return base == "dhclient" || base == "dhcpcd" || base.starts_with("dhcpcd:");
}

}  // namespace zelto::netparams
