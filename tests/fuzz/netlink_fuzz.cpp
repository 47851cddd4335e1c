// The route netlink reader: the input is what the kernel answers to each dump (links,
// addresses, routes), delivered through the socket calls.
#include <fcntl.h>

#include <algorithm>

#include "Fuzz.h"
#include "netparams/linux/Netlink.h"

namespace zelto::fuzz {
namespace {

// A kernel that gives the same answer to every receive, three times, then closes.
struct KernelAnswer : system::SystemCalls {
    std::string_view answer;
    int receives = 0;

    explicit KernelAnswer(std::string_view a) : answer(a) {}
    int socket(int, int, int) override { return ::open("/dev/null", O_RDONLY | O_CLOEXEC); }
    ssize_t sendto(int, const void*, std::size_t size, int, const sockaddr*, socklen_t) override {
        return static_cast<ssize_t>(size);
    }
    ssize_t recvmsg(int, msghdr* message, int) override {
        if (++receives > 3)
            return 0;
        const std::size_t n = std::min(message->msg_iov[0].iov_len, answer.size());
        std::copy_n(answer.data(), n, static_cast<char*>(message->msg_iov[0].iov_base));
        message->msg_flags = n < answer.size() ? MSG_TRUNC : 0;
        return static_cast<ssize_t>(n);
    }
};

}  // namespace

void one(std::string_view answer) {
    // Each dump gets a socket of its own, so that its first request is sequence number 1 and one
    // captured answer (links, addresses and routes, each numbered 1) serves all three.
    const auto dump =
        [answer]<class Record>(int (netparams::NetlinkSocket::*read)(std::vector<Record>&)) {
            KernelAnswer kernel(answer);
            netparams::NetlinkSocket socket(kernel);
            std::vector<Record> records;
            (void)(socket.*read)(records);
        };
    dump(&netparams::NetlinkSocket::dumpLinks);
    dump(&netparams::NetlinkSocket::dumpAddresses);
    dump(&netparams::NetlinkSocket::dumpDefaultGateways);
}

}  // namespace zelto::fuzz
