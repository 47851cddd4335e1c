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

// The socket calls are plain function pointers, so the answer lives here.
std::string_view answer;
int receives = 0;

int openNull(int, int, int) {
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

ssize_t sendAll(int, const void*, std::size_t length, int, const sockaddr*, socklen_t) {
    return static_cast<ssize_t>(length);
}

// Each receive gets the whole answer, as a kernel repeating itself would; then the socket
// closes.
ssize_t receiveAnswer(int, msghdr* message, int) {
    if (++receives > 3)
        return 0;
    const iovec& part = message->msg_iov[0];
    const std::size_t n = std::min(part.iov_len, answer.size());
    if (n > 0)
        std::memcpy(part.iov_base, answer.data(), n);
    message->msg_flags = n < answer.size() ? MSG_TRUNC : 0;
    return static_cast<ssize_t>(n);
}

// Each dump gets a socket of its own, so that its first request is sequence number 1 and one
// captured answer (links, addresses and routes, each numbered 1) serves all three.
template <class Record>
void dumpWith(int (netparams::NetlinkSocket::*dump)(std::vector<Record>&)) {
    netparams::NetlinkCalls calls;
    calls.openSocket = openNull;
    calls.sendTo = sendAll;
    calls.receive = receiveAnswer;
    netparams::NetlinkSocket socket(calls);
    std::vector<Record> records;
    receives = 0;
    (void)(socket.*dump)(records);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    answer = fuzz::asText(data, size);
    dumpWith(&netparams::NetlinkSocket::dumpLinks);
    dumpWith(&netparams::NetlinkSocket::dumpAddresses);
    dumpWith(&netparams::NetlinkSocket::dumpDefaultGateways);
    return 0;
}
