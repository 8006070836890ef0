#include "server/ListenAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstdlib>
#include <cstring>

namespace ulvar_server {

bool ListenAddress::loopback() const {
    if (storage.ss_family == AF_INET) {
        auto *v4 = reinterpret_cast<const sockaddr_in *>(&storage);
        return (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
    }
    auto *v6 = reinterpret_cast<const sockaddr_in6 *>(&storage);
    if (IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr)) {
        return v6->sin6_addr.s6_addr[12] == 127;
    }
    return IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr);
}

unsigned ListenAddress::port() const {
    return storage.ss_family == AF_INET
               ? ntohs(reinterpret_cast<const sockaddr_in *>(&storage)->sin_port)
               : ntohs(reinterpret_cast<const sockaddr_in6 *>(&storage)->sin6_port);
}

std::string ListenAddress::text(unsigned port) const {
    char host[INET6_ADDRSTRLEN] = "";
    if (storage.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(&storage)->sin_addr, host,
                  sizeof host);
        return std::string(host) + ":" + std::to_string(port);
    }
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6 *>(&storage)->sin6_addr, host,
              sizeof host);
    return "[" + std::string(host) + "]:" + std::to_string(port);
}

bool parseListenAddress(const std::string &text, ListenAddress &address, std::string &why) {
    std::string host = "127.0.0.1";
    std::string port = text;
    std::size_t colon = text.rfind(':');
    if (!text.empty() && text[0] == '[') {
        std::size_t close = text.find(']');
        if (close == std::string::npos || close + 1 != colon) {
            why = "an IPv6 address is written [ADDRESS]:PORT";
            return false;
        }
        host = text.substr(1, close - 1);
        port = text.substr(colon + 1);
    } else if (colon != std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    char *end = nullptr;
    long number = strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || number < 0 || number > 65535) {
        why = "\"" + port + "\" is not a port number (0 to 65535)";
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo *found = nullptr;
    int status = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
    if (status != 0) {
        why = "cannot resolve \"" + host + "\": " + gai_strerror(status);
        return false;
    }
    memcpy(&address.storage, found->ai_addr, found->ai_addrlen);
    address.length = found->ai_addrlen;
    freeaddrinfo(found);
    return true;
}

}  // namespace ulvar_server
