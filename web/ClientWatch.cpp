#include "ClientWatch.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <array>
#include <charconv>
#include <filesystem>
#include <system_error>
#include <utility>

namespace corvanth {
namespace {

// Whether one end of a socket (its peer's, or its own) is `address`:`port`, the address written as the
// HTTP library writes it (numeric); the port is compared first, as most sockets differ there.
bool EndIs(int socket, bool peer, const std::string& address, int port) {
    sockaddr_storage end{};
    socklen_t length = sizeof end;
    auto* at = reinterpret_cast<sockaddr*>(&end);
    if ((peer ? ::getpeername(socket, at, &length) : ::getsockname(socket, at, &length)) != 0) return false;
    std::array<char, NI_MAXHOST> host{};
    std::array<char, NI_MAXSERV> service{};
    if (::getnameinfo(at, length, nullptr, 0, service.data(), service.size(), NI_NUMERICSERV) != 0)
        return false;
    const std::string_view text(service.data());
    int found = -1;
    if (std::from_chars(text.data(), text.data() + text.size(), found).ec != std::errc() || found != port)
        return false;
    return ::getnameinfo(at, length, host.data(), host.size(), nullptr, 0, NI_NUMERICHOST) == 0 &&
           address == host.data();
}

} // namespace

ClientWatch::ClientWatch(std::string localAddress, int localPort, std::string remoteAddress, int remotePort)
    : localAddress_(std::move(localAddress)), remoteAddress_(std::move(remoteAddress)), localPort_(localPort),
      remotePort_(remotePort) {}

int ClientWatch::find() const {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        int descriptor = -1;
        const std::string name = entry.path().filename().string();
        if (std::from_chars(name.data(), name.data() + name.size(), descriptor).ec != std::errc()) continue;
        if (EndIs(descriptor, true, remoteAddress_, remotePort_) &&
            EndIs(descriptor, false, localAddress_, localPort_))
            return descriptor;
    }
    return -1;
}

bool ClientWatch::Gone() {
    if (!looked_) {
        socket_ = find();
        looked_ = true;
    }
    if (socket_ < 0) return false;
    pollfd watched{socket_, POLLRDHUP, 0};
    if (::poll(&watched, 1, 0) < 0) return false;
    return (watched.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace corvanth
