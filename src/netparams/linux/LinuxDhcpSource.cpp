#include "netparams/linux/LinuxDhcpSource.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <ctime>
#include <filesystem>
#include <functional>

#include "netparams/linux/DhcpConfig.h"
#include "netparams/linux/DhcpLeases.h"
#include "netparams/linux/LinuxInterfaceSource.h"
#include "netparams/linux/SystemBus.h"
#include "system/linux/WholeFile.h"

namespace zelto::netparams {

namespace {

// Lease files are small; anything bigger is not a lease file worth a gather's time.
constexpr std::size_t kLeaseFileLimit = std::size_t{256} * 1024;

struct Candidate {
    std::string path;
    bool anyInterface = false;
    long long modified = 0;
};

// Files of `dir` that `match` accepts (it also says whether blocks without an interface
// line count), newest first. A missing folder has none.
std::vector<Candidate> candidates(const std::string& dir,
                                  const std::function<bool(const std::string&, bool&)>& match) {
    std::vector<Candidate> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end;
         it.increment(error)) {
        const std::string file = it->path().filename().string();
        bool anyInterface = false;
        if (!match(file, anyInterface))
            continue;
        struct stat info {};
        if (::stat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        found.push_back({it->path().string(), anyInterface, static_cast<long long>(info.st_mtime)});
    }
    std::sort(found.begin(), found.end(),
              [](const Candidate& a, const Candidate& b) { return a.modified > b.modified; });
    return found;
}

using Parser = std::function<std::optional<DhcpLease>(std::string_view bytes, bool anyInterface,
                                                      std::int64_t modified)>;
using Matcher = std::function<bool(const std::string&, bool&)>;

// The newest lease in the files of `dirs` that `match` accepts for which `accept` holds.
std::optional<DhcpLease> newestLease(const std::vector<std::string>& dirs, const Matcher& match,
                                     const Parser& parse,
                                     const std::function<bool(const DhcpLease&)>& accept) {
    for (const std::string& dir : dirs) {
        for (const Candidate& c : candidates(dir, match)) {
            const system::FileRead file = system::readWholeFile(c.path, kLeaseFileLimit);
            if (file.error)
                continue;
            if (auto found = parse(file.bytes, c.anyInterface, file.modified);
                found && accept(*found))
                return found;
        }
    }
    return std::nullopt;
}

std::int64_t systemNow() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

}  // namespace

LinuxDhcpSource::LinuxDhcpSource(DhcpPaths paths, SystemBus* bus, Clock now)
    : paths_(std::move(paths)), bus_(bus), now_(now != nullptr ? now : systemNow) {}

std::optional<DhcpLease> LinuxDhcpSource::lease(const InterfaceRow& link) {
    if (!safeInterfaceName(link.name))
        return std::nullopt;
    std::optional<bool> dhcp;
    bool busUnreachable = true;
    if (bus_ != nullptr) {
        const SystemBus::NetworkManagerLink nm = bus_->networkManagerLink(link.name);
        busUnreachable = nm.state == SystemBus::NetworkManagerLink::Unreachable;
        if (nm.state == SystemBus::NetworkManagerLink::Dhcp) {
            if (auto found = leaseFromNetworkManager(nm.options); found && current(*found, link))
                return found;
            dhcp = true;
        } else if (nm.state == SystemBus::NetworkManagerLink::Static) {
            return std::nullopt;
        }
    }
    if (!dhcp)
        dhcp = fromNetworkd(link.index);
    if (!dhcp)
        dhcp = fromIfupdown(link.name);
    if (dhcp == false)
        return std::nullopt;
    if (auto found = currentLease(link, busUnreachable))
        return found;
    if (dhcp || clientRunning(link.name))
        return DhcpLease{};  // asked for, not (yet) answered: the server shows as blank
    return std::nullopt;
}

bool LinuxDhcpSource::current(const DhcpLease& lease, const InterfaceRow& link) const {
    if (lease.expires != 0 && lease.expires != kNeverExpires && lease.expires <= now_())
        return false;
    if (lease.address.empty())
        return true;
    return std::any_of(link.addresses.begin(), link.addresses.end(),
                       [&lease](const IpEntry& e) { return e.address == lease.address; });
}

std::optional<bool> LinuxDhcpSource::fromNetworkd(int index) const {
    if (index <= 0)
        return std::nullopt;
    const system::FileRead links =
        system::readWholeFile(paths_.networkdLinks + "/" + std::to_string(index), kLeaseFileLimit);
    if (links.error)
        return std::nullopt;
    const NetworkdLinkState state = parseNetworkdLinkState(links.bytes);
    if (state.adminState.empty() || state.adminState == "unmanaged" ||
        state.adminState == "pending")
        return std::nullopt;
    // The .network file decides, and its drop-ins after it; no DHCP= means no DHCP.
    std::optional<bool> dhcp;
    bool read = false;
    for (const std::string& file : state.networkFiles) {
        const system::FileRead network = system::readWholeFile(file, kLeaseFileLimit);
        if (network.error)
            continue;
        read = true;
        if (const auto setting = networkFileDhcp4(network.bytes))
            dhcp = setting;
    }
    if (!read)
        return std::nullopt;
    return dhcp.value_or(false);
}

std::optional<bool> LinuxDhcpSource::fromIfupdown(const std::string& name) const {
    std::vector<std::string> files = {paths_.ifupdownFile};
    std::error_code error;
    std::vector<std::string> more;
    for (std::filesystem::directory_iterator it(paths_.ifupdownDir, error), end;
         !error && it != end; it.increment(error))
        more.push_back(it->path().string());
    std::sort(more.begin(), more.end());
    files.insert(files.end(), more.begin(), more.end());
    std::optional<bool> dhcp;
    for (const std::string& file : files) {
        const system::FileRead text = system::readWholeFile(file, kLeaseFileLimit);
        if (text.error)
            continue;
        if (const auto method = ifupdownDhcp(text.bytes, name))
            dhcp = method;
    }
    return dhcp;
}

bool LinuxDhcpSource::clientRunning(const std::string& name) const {
    // The pid files of ifupdown's and NetworkManager's dhclient and of dhcpcd for one link.
    const std::string& run = paths_.run;
    for (const std::string& file :
         {run + "/dhclient." + name + ".pid", run + "/dhclient-" + name + ".pid",
          run + "/NetworkManager/dhclient-" + name + ".pid", run + "/dhcpcd-" + name + ".pid",
          run + "/dhcpcd/" + name + ".pid", run + "/dhcpcd/" + name + "-4.pid"}) {
        const std::string pid = system::readWholeFile(file, 64).bytes;
        long long value = 0;
        const auto parsed = std::from_chars(pid.data(), pid.data() + pid.size(), value);
        if (parsed.ec != std::errc{} || value <= 0)
            continue;
        // A stale pid file may name a process that has since become another program.
        if (isDhcpClient(
                system::readWholeFile(paths_.proc + "/" + std::to_string(value) + "/cmdline", 4096)
                    .bytes))
            return true;
    }
    return false;
}

std::optional<DhcpLease> LinuxDhcpSource::currentLease(const InterfaceRow& link,
                                                       bool withNetworkManager) const {
    auto accept = [this, &link](const DhcpLease& l) { return current(l, link); };
    if (link.index > 0) {
        const system::FileRead file = system::readWholeFile(
            paths_.networkdLeases + "/" + std::to_string(link.index), kLeaseFileLimit);
        if (auto found = file.error ? std::nullopt : parseNetworkdLease(file.bytes, file.modified);
            found && accept(*found))
            return found;
    }
    if (withNetworkManager) {
        if (auto found = fromNetworkManagerFiles(link))
            return found;
    }
    if (auto found = fromDhclient(link))
        return found;
    return fromDhcpcd(link);
}

std::optional<DhcpLease> LinuxDhcpSource::fromNetworkManagerFiles(const InterfaceRow& link) const {
    // internal-UUID-IF.lease: KEY=value lines like systemd-networkd's, naming the address.
    const std::string& name = link.name;
    auto match = [&name](const std::string& file, bool& anyInterface) {
        anyInterface = true;
        return file.starts_with("internal-") && file.ends_with("-" + name + ".lease");
    };
    auto parse = [](std::string_view bytes, bool, std::int64_t modified) {
        return parseNetworkdLease(bytes, modified);
    };
    auto accept = [this, &link](const DhcpLease& l) {
        return !l.address.empty() && current(l, link);
    };
    return newestLease({paths_.networkManagerLeases}, match, parse, accept);
}

std::optional<DhcpLease> LinuxDhcpSource::fromDhclient(const InterfaceRow& link) const {
    // dhclient.leases holds every interface; dhclient.IF.leases, dhclient-IF.leases and
    // NetworkManager's dhclient-UUID-IF.lease hold one.
    const std::string& name = link.name;
    auto match = [&name](const std::string& file, bool& anyInterface) {
        if (file == "dhclient.leases") {
            anyInterface = false;
            return true;
        }
        anyInterface = true;
        return file == "dhclient." + name + ".leases" || file == "dhclient-" + name + ".leases" ||
               (file.starts_with("dhclient-") && file.ends_with("-" + name + ".lease"));
    };
    auto parse = [&name](std::string_view bytes, bool anyInterface, std::int64_t modified) {
        return parseDhclientLeases(bytes, name, anyInterface, modified);
    };
    return newestLease(paths_.dhclientDirs, match, parse,
                       [this, &link](const DhcpLease& l) { return current(l, link); });
}

std::optional<DhcpLease> LinuxDhcpSource::fromDhcpcd(const InterfaceRow& link) const {
    // IF.lease, dhcpcd-IF.lease, and per wireless network IF-SSID.lease.
    const std::string& name = link.name;
    auto match = [&name](const std::string& file, bool& anyInterface) {
        anyInterface = true;
        if (!file.ends_with(".lease"))
            return false;
        return file == name + ".lease" || file == "dhcpcd-" + name + ".lease" ||
               file.starts_with(name + "-") || file.starts_with("dhcpcd-" + name + "-");
    };
    auto parse = [](std::string_view bytes, bool, std::int64_t modified) {
        return parseDhcpcdLease(bytes, modified);
    };
    return newestLease(paths_.dhcpcdDirs, match, parse,
                       [this, &link](const DhcpLease& l) { return current(l, link); });
}

}  // namespace zelto::netparams
