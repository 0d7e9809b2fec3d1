#pragma once

#include <string>

namespace corvanth {

// What a search stopped for its client's sake answers (no one reads it).
inline constexpr const char* kClientGoneText = "stopped: the client went away";

// The connection a request came on, watched for its client going away (a closed tab, a fetch the page
// cancelled), so a long search can stop as the window's Stop stops it. cpp-httplib 0.11 does not tell a
// handler, nor give it the connection's socket, so the watch finds the socket among the process's open
// descriptors by the connection's two ends (the request's local and remote address and port: no other
// socket has both while the request is being answered, and the server closes it only after the
// handler returns) and asks the kernel whether the client has closed its side. A client that shuts
// down only its sending side counts as gone, as later versions of the library count it.
class ClientWatch {
public:
    ClientWatch(std::string localAddress, int localPort, std::string remoteAddress, int remotePort);

    // True once the client has closed its side of the connection or the connection failed; false while
    // it is open, and when the socket is not found (nothing can be told then).
    bool Gone();
    const std::string& RemoteAddress() const { return remoteAddress_; }

private:
    int find() const;

    std::string localAddress_, remoteAddress_;
    int localPort_, remotePort_;
    int socket_ = -1;
    bool looked_ = false;
};

} // namespace corvanth
