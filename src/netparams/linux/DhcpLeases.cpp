#include "netparams/linux/DhcpLeases.h"

#include <arpa/inet.h>

#include <cctype>
#include <charconv>
#include <cstring>
#include <vector>

#include "netparams/linux/LinuxInterfaceSource.h"

namespace zelto::netparams {

namespace {

// Lease times above this are damaged input, not dates (the year 10000).
constexpr std::int64_t kLatest = 253402300799;
constexpr std::uint32_t kInfiniteLease = 0xFFFFFFFF;

bool toNumber(std::string_view text, std::int64_t& value) {
    if (text.empty())
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc{} && result.ptr == text.data() + text.size();
}

bool isDotted(std::string_view text) {
    in_addr address{};
    return !text.empty() && text.size() < 16 &&
           ::inet_pton(AF_INET, std::string(text).c_str(), &address) == 1;
}

std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// "2024/01/18" and "21:00:00" as seconds since 1970, UTC.
std::optional<std::int64_t> utcTime(std::string_view date, std::string_view time) {
    int parts[6] = {};
    auto split = [](std::string_view text, char separator, int* out) {
        for (int i = 0; i < 3; ++i) {
            const std::size_t end = i < 2 ? text.find(separator) : text.size();
            if (end == std::string_view::npos)
                return false;
            std::int64_t v = 0;
            if (!toNumber(text.substr(0, end), v) || v < 0 || v > 100000)
                return false;
            out[i] = static_cast<int>(v);
            text = i < 2 ? text.substr(end + 1) : std::string_view{};
        }
        return true;
    };
    if (!split(date, '/', parts) || !split(time, ':', parts + 3))
        return std::nullopt;
    if (parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > 31 || parts[3] > 23 ||
        parts[4] > 59 || parts[5] > 60)
        return std::nullopt;
    return daysFromCivil(parts[0], parts[1], parts[2]) * 86400 + std::int64_t{parts[3]} * 3600 +
           std::int64_t{parts[4]} * 60 + parts[5];
}

// dhclient statements are words ended by ";"; quoted strings keep their spaces.
std::vector<std::string> statementWords(std::string_view statement) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < statement.size()) {
        const char c = statement[i];
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            ++i;
        } else if (c == '"') {
            const std::size_t end = statement.find('"', i + 1);
            const std::size_t stop = end == std::string_view::npos ? statement.size() : end;
            words.emplace_back(statement.substr(i + 1, stop - i - 1));
            i = stop + 1;
        } else {
            std::size_t end = i;
            while (end < statement.size() &&
                   std::isspace(static_cast<unsigned char>(statement[end])) == 0)
                ++end;
            words.emplace_back(statement.substr(i, end - i));
            i = end;
        }
    }
    return words;
}

struct DhclientBlock {
    std::string interface;
    std::string server;
    std::string address;
    std::optional<std::int64_t> leaseTime;
    std::optional<std::int64_t> expires;
    bool never = false;
};

void applyStatement(DhclientBlock& block, const std::vector<std::string>& w) {
    if (w.empty())
        return;
    if (w[0] == "interface" && w.size() >= 2) {
        block.interface = w[1];
    } else if (w[0] == "fixed-address" && w.size() >= 2 && isDotted(w[1])) {
        block.address = w[1];
    } else if (w[0] == "option" && w.size() >= 3) {
        std::int64_t seconds = 0;
        if (w[1] == "dhcp-server-identifier" && isDotted(w[2]))
            block.server = w[2];
        else if (w[1] == "dhcp-lease-time" && toNumber(w[2], seconds) && seconds >= 0)
            block.leaseTime = seconds;
    } else if (w[0] == "expire" && w.size() >= 2) {
        std::int64_t seconds = 0;
        if (w[1] == "never") {
            block.never = true;
        } else if (w[1] == "epoch" && w.size() >= 3 && toNumber(w[2], seconds) && seconds > 0 &&
                   seconds <= kLatest) {
            block.expires = seconds;
        } else if (w.size() >= 4) {
            if (const auto t = utcTime(w[2], w[3]); t && *t > 0 && *t <= kLatest)
                block.expires = *t;
        }
    }
}

std::optional<DhcpLease> leaseOf(const DhclientBlock& block, std::int64_t fileTime) {
    DhcpLease lease;
    lease.server = block.server;
    lease.address = block.address;
    if (block.never || (block.leaseTime && *block.leaseTime >= kInfiniteLease)) {
        lease.expires = kNeverExpires;
        lease.obtained = fileTime;
    } else if (block.expires) {
        lease.expires = *block.expires;
        lease.obtained = block.leaseTime ? *block.expires - *block.leaseTime : fileTime;
    } else {
        lease.obtained = fileTime;
    }
    return lease;
}

}  // namespace

std::optional<DhcpLease> parseDhclientLeases(std::string_view text, std::string_view interface,
                                             bool anyInterface, std::int64_t fileTime) {
    std::optional<DhcpLease> last;
    std::optional<DhclientBlock> block;
    std::string statement;
    bool inComment = false;
    bool inQuote = false;
    for (const char c : text) {
        if (inComment) {
            inComment = c != '\n';
            continue;
        }
        if (c == '"')
            inQuote = !inQuote;
        if (inQuote) {
            statement += c;
            continue;
        }
        if (c == '#') {
            inComment = true;
        } else if (c == '{') {
            const auto w = statementWords(statement);
            // A nested block (or one that is not a lease) is not read; its closing brace
            // then ends nothing we keep.
            if (!block && w.size() == 1 && w[0] == "lease")
                block.emplace();
            statement.clear();
        } else if (c == '}') {
            if (block) {
                applyStatement(*block, statementWords(statement));
                const bool mine =
                    block->interface.empty() ? anyInterface : block->interface == interface;
                if (mine)
                    last = leaseOf(*block, fileTime);
                block.reset();
            }
            statement.clear();
        } else if (c == ';') {
            if (block)
                applyStatement(*block, statementWords(statement));
            statement.clear();
        } else {
            statement += c;
        }
    }
    return last;
}

// Newer systemd-networkd writes the lease as JSON; of it only the server address is read, as
// a string or as an array of four numbers.
static std::optional<DhcpLease> parseNetworkdJson(std::string_view text, std::int64_t fileTime) {
    DhcpLease lease;
    lease.obtained = fileTime;
    const std::size_t key = text.find("\"Server_Address\"");
    if (key == std::string_view::npos)
        return lease;
    std::string_view rest = text.substr(key + 16);
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos)
        return lease;
    rest = rest.substr(colon + 1);
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front())) != 0)
        rest.remove_prefix(1);
    if (rest.starts_with('"')) {
        const std::size_t end = rest.find('"', 1);
        if (end != std::string_view::npos && isDotted(rest.substr(1, end - 1)))
            lease.server = std::string(rest.substr(1, end - 1));
    } else if (rest.starts_with('[')) {
        const std::size_t end = rest.find(']');
        std::string dotted;
        int parts = 0;
        std::string_view list = rest.substr(1, end == std::string_view::npos ? 0 : end - 1);
        while (!list.empty() && parts < 5) {
            const std::size_t comma = list.find(',');
            std::string_view item = list.substr(0, comma);
            while (!item.empty() && std::isspace(static_cast<unsigned char>(item.front())) != 0)
                item.remove_prefix(1);
            while (!item.empty() && std::isspace(static_cast<unsigned char>(item.back())) != 0)
                item.remove_suffix(1);
            std::int64_t byte = 0;
            if (!toNumber(item, byte) || byte < 0 || byte > 255)
                return lease;
            dotted += (parts++ == 0 ? "" : ".") + std::to_string(byte);
            list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        }
        if (parts == 4)
            lease.server = dotted;
    }
    return lease;
}

std::optional<DhcpLease> parseNetworkdLease(std::string_view text, std::int64_t fileTime) {
    std::string_view start = text;
    while (!start.empty() && std::isspace(static_cast<unsigned char>(start.front())) != 0)
        start.remove_prefix(1);
    if (start.starts_with('{'))
        return parseNetworkdJson(start, fileTime);
    DhcpLease lease;
    bool any = false;
    std::optional<std::int64_t> lifetime;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(from, end - from);
        from = end + 1;
        const std::size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (key == "ADDRESS") {
            any = isDotted(value);
            lease.address = any ? std::string(value) : std::string();
        } else if (key == "SERVER_ADDRESS" && isDotted(value)) {
            lease.server = std::string(value);
        } else if (key == "LIFETIME") {
            std::int64_t seconds = 0;
            if (toNumber(value, seconds) && seconds >= 0)
                lifetime = seconds;
        }
    }
    if (!any)
        return std::nullopt;
    lease.obtained = fileTime;
    if (lifetime)
        lease.expires = *lifetime >= kInfiniteLease ? kNeverExpires : fileTime + *lifetime;
    return lease;
}

namespace {

// The DHCP options that say who gave the lease and for how long.
struct BootpOptions {
    std::optional<std::uint32_t> server;
    std::optional<std::uint32_t> leaseTime;
    int overload = 0;

    // `top`: the options area itself, the only place option 52 counts.
    void read(std::string_view area, bool top) {
        std::size_t i = 0;
        while (i < area.size()) {
            const auto code = static_cast<unsigned char>(area[i]);
            if (code == 0) {
                ++i;
                continue;
            }
            if (code == 255 || i + 1 >= area.size())
                return;
            const auto length = static_cast<unsigned char>(area[i + 1]);
            if (i + 2 + length > area.size())
                return;  // cut off: keep what was read before
            take(code, area.substr(i + 2, length), top);
            i += 2 + length;
        }
    }

    void take(unsigned char code, std::string_view data, bool top) {
        std::uint32_t value = 0;
        if (data.size() == 4)
            std::memcpy(&value, data.data(), 4);
        if (code == 54 && data.size() == 4)
            server = value;
        else if (code == 51 && data.size() == 4)
            leaseTime = ntohl(value);
        else if (code == 52 && data.size() == 1 && top)
            overload = static_cast<unsigned char>(data[0]);
    }
};

}  // namespace

std::optional<DhcpLease> parseDhcpcdLease(std::string_view bytes, std::int64_t fileTime) {
    // BOOTP fixed part: 236 bytes, then the magic cookie 99.130.83.99, then the options.
    constexpr std::size_t kFixed = 236;
    constexpr std::size_t kSnameOffset = 44;
    constexpr std::size_t kSnameSize = 64;
    constexpr std::size_t kFileOffset = 108;
    constexpr std::size_t kFileSize = 128;
    static constexpr unsigned char kCookie[] = {99, 130, 83, 99};
    if (bytes.size() < kFixed + 4 || std::memcmp(bytes.data() + kFixed, kCookie, 4) != 0)
        return std::nullopt;

    BootpOptions options;
    options.read(bytes.substr(kFixed + 4), true);
    // Option 52 moves further options into the file and server name fields.
    if ((options.overload & 1) != 0)
        options.read(bytes.substr(kFileOffset, kFileSize), false);
    if ((options.overload & 2) != 0)
        options.read(bytes.substr(kSnameOffset, kSnameSize), false);

    DhcpLease lease;
    if (options.server)
        lease.server = dottedAddress(*options.server);
    // yiaddr, "your address": what the server gave this client.
    constexpr std::size_t kYiaddrOffset = 16;
    std::uint32_t yours = 0;
    std::memcpy(&yours, bytes.data() + kYiaddrOffset, 4);
    if (yours != 0)
        lease.address = dottedAddress(yours);
    lease.obtained = fileTime;
    if (options.leaseTime)
        lease.expires =
            *options.leaseTime == kInfiniteLease ? kNeverExpires : fileTime + *options.leaseTime;
    return lease;
}

std::optional<DhcpLease> leaseFromNetworkManager(
    const std::map<std::string, std::string>& options) {
    DhcpLease lease;
    auto value = [&options](const char* key) -> std::string_view {
        const auto found = options.find(key);
        return found == options.end() ? std::string_view{} : std::string_view(found->second);
    };
    if (isDotted(value("dhcp_server_identifier")))
        lease.server = std::string(value("dhcp_server_identifier"));
    if (isDotted(value("ip_address")))
        lease.address = std::string(value("ip_address"));
    std::int64_t expiry = 0;
    std::int64_t leaseTime = 0;
    const bool haveExpiry = toNumber(value("expiry"), expiry) && expiry > 0 && expiry <= kLatest;
    const bool haveTime = toNumber(value("dhcp_lease_time"), leaseTime) && leaseTime >= 0;
    if (haveTime && leaseTime >= kInfiniteLease) {
        lease.expires = kNeverExpires;
    } else if (haveExpiry) {
        lease.expires = expiry;
        if (haveTime)
            lease.obtained = expiry - leaseTime;
    }
    return lease;
}

}  // namespace zelto::netparams
