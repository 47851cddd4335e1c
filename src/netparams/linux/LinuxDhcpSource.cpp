#include "netparams/linux/LinuxDhcpSource.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "netparams/linux/DhcpLeases.h"
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

}  // namespace

LinuxDhcpSource::LinuxDhcpSource(DhcpPaths paths, SystemBus* bus)
    : paths_(std::move(paths)), bus_(bus) {}

std::optional<DhcpLease> LinuxDhcpSource::lease(int index, const std::string& name) {
    if (bus_ != nullptr) {
        if (const auto options = bus_->networkManagerDhcp4(name))
            return leaseFromNetworkManager(*options);
    }
    if (index > 0) {
        const system::FileRead file = system::readWholeFile(
            paths_.networkdLeases + "/" + std::to_string(index), kLeaseFileLimit);
        if (!file.error) {
            if (auto found = parseNetworkdLease(file.bytes, file.modified))
                return found;
        }
    }
    if (auto found = fromDhclient(name))
        return found;
    return fromDhcpcd(name);
}

std::optional<DhcpLease> LinuxDhcpSource::fromDhclient(const std::string& name) const {
    // dhclient.leases holds every interface; dhclient.IF.leases, dhclient-IF.leases and
    // NetworkManager's dhclient-UUID-IF.lease hold one.
    auto match = [&name](const std::string& file, bool& anyInterface) {
        if (file == "dhclient.leases") {
            anyInterface = false;
            return true;
        }
        anyInterface = true;
        return file == "dhclient." + name + ".leases" || file == "dhclient-" + name + ".leases" ||
               (file.starts_with("dhclient-") && file.ends_with("-" + name + ".lease"));
    };
    for (const std::string& dir : paths_.dhclientDirs) {
        for (const Candidate& c : candidates(dir, match)) {
            const system::FileRead file = system::readWholeFile(c.path, kLeaseFileLimit);
            if (file.error)
                continue;
            if (auto found = parseDhclientLeases(file.bytes, name, c.anyInterface, file.modified))
                return found;
        }
    }
    return std::nullopt;
}

std::optional<DhcpLease> LinuxDhcpSource::fromDhcpcd(const std::string& name) const {
    // IF.lease, dhcpcd-IF.lease, and per wireless network IF-SSID.lease.
    auto match = [&name](const std::string& file, bool& anyInterface) {
        anyInterface = true;
        if (!file.ends_with(".lease"))
            return false;
        return file == name + ".lease" || file == "dhcpcd-" + name + ".lease" ||
               file.starts_with(name + "-") || file.starts_with("dhcpcd-" + name + "-");
    };
    for (const std::string& dir : paths_.dhcpcdDirs) {
        for (const Candidate& c : candidates(dir, match)) {
            const system::FileRead file = system::readWholeFile(c.path, kLeaseFileLimit);
            if (file.error)
                continue;
            if (auto found = parseDhcpcdLease(file.bytes, file.modified))
                return found;
        }
    }
    return std::nullopt;
}

}  // namespace zelto::netparams
