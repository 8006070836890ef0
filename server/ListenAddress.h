// Where the server listens: "HOST:PORT", "[IPv6]:PORT" or a bare port (on the
// loopback address), HOST a numeric address or a name. Port 0 asks the system
// for a free one.
#ifndef SERVER_LISTENADDRESS_H
#define SERVER_LISTENADDRESS_H

#include <sys/socket.h>

#include <string>

namespace ulvar_server {

struct ListenAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;

    // True for 127.0.0.0/8 and ::1 (also as an IPv4-mapped address).
    bool loopback() const;
    bool ipv6() const { return storage.ss_family == AF_INET6; }
    // "127.0.0.1:5988", "[::1]:5988"; with the port given.
    std::string text(unsigned port) const;
    unsigned port() const;
};

// Parses `text` into `address`; false with the reason in `why`.
bool parseListenAddress(const std::string &text, ListenAddress &address, std::string &why);

}  // namespace ulvar_server

#endif
