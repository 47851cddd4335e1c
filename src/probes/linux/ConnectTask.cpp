#include "probes/linux/ConnectTask.h"

#include <sys/epoll.h>
#include <sys/socket.h>

namespace zelto::probes {

std::uint32_t ConnectTask::events() const {
    return EPOLLOUT;
}

bool ConnectTask::ready(std::uint32_t /*events*/) {
    // Writable, or an error: the socket's own error says which.
    int err = 0;
    socklen_t size = sizeof err;
    const bool failed =
        ::getsockopt(socket_.get(), SOL_SOCKET, SO_ERROR, &err, &size) != 0 || err != 0;
    report(failed ? ConnectResult::Failed : ConnectResult::Connected);
    return true;
}

void ConnectTask::report(ConnectResult result) {
    // Closed first: whoever hears the outcome may count the process's descriptors.
    socket_.reset();
    done_(result);
}

}  // namespace zelto::probes
