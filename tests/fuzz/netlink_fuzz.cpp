// The route netlink reader: the input is what the kernel answers to each dump (links,
// addresses, routes), delivered through the socket calls.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "ScratchFolder.h"
#include "netparams/linux/Netlink.h"

using namespace zelto;

namespace {

// A kernel that gives the same answer to every receive, three times, then closes.
class KernelAnswer : public system::SystemCalls {
  public:
    explicit KernelAnswer(std::string_view answer) : answer_(answer) {}

    int socket(int, int, int) override { return ::open("/dev/null", O_RDONLY | O_CLOEXEC); }
    ssize_t sendto(int, const void*, std::size_t size, int, const sockaddr*, socklen_t) override {
        return static_cast<ssize_t>(size);
    }
    ssize_t recvmsg(int, msghdr* message, int) override {
        if (++receives_ > 3)
            return 0;
        const iovec& part = message->msg_iov[0];
        const std::size_t n = std::min(part.iov_len, answer_.size());
        if (n > 0)
            std::memcpy(part.iov_base, answer_.data(), n);
        message->msg_flags = n < answer_.size() ? MSG_TRUNC : 0;
        return static_cast<ssize_t>(n);
    }

  private:
    std::string_view answer_;
    int receives_ = 0;
};

// Each dump gets a socket of its own, so that its first request is sequence number 1 and one
// captured answer (links, addresses and routes, each numbered 1) serves all three.
template <class Record>
void dumpWith(std::string_view answer,
              int (netparams::NetlinkSocket::*dump)(std::vector<Record>&)) {
    KernelAnswer kernel(answer);
    netparams::NetlinkSocket socket(kernel);
    std::vector<Record> records;
    (void)(socket.*dump)(records);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view answer = fuzz::asText(data, size);
    dumpWith(answer, &netparams::NetlinkSocket::dumpLinks);
    dumpWith(answer, &netparams::NetlinkSocket::dumpAddresses);
    dumpWith(answer, &netparams::NetlinkSocket::dumpDefaultGateways);
    return 0;
}
