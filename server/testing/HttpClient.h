// A small HTTP/1.1 client over a loopback socket, for the server's tests: it
// sends bytes exactly as given (so a test can send what no client library
// would) and reads one response, decoding a chunked body and its trailers.
#ifndef SERVER_TESTING_HTTPCLIENT_H
#define SERVER_TESTING_HTTPCLIENT_H

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <map>
#include <string>

namespace ulvar_server {
namespace testing {

// A connection to 127.0.0.1:`port`, or -1.
inline int connectLoopback(unsigned port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close(fd);
        fd = -1;
    }
    return fd;
}

inline bool sendAll(int fd, const std::string &bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

struct HttpReply {
    int status = 0;                               // 0: no complete response came
    std::map<std::string, std::string> headers;   // names in lower case
    std::map<std::string, std::string> trailers;  // likewise
    std::string body;
    bool chunked = false;

    std::string header(const std::string &name) const {
        auto found = headers.find(name);
        return found != headers.end() ? found->second : "";
    }
};

// Reads from `fd` into `buffer` until `enough` holds or `timeoutMs` passes;
// false when the peer closed or the time ran out first.
template <typename Enough>
bool readUntil(int fd, std::string &buffer, int timeoutMs, Enough enough) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!enough()) {
        int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        deadline - std::chrono::steady_clock::now())
                                        .count());
        pollfd p = {fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, left) <= 0) {
            return false;
        }
        char chunk[65536];
        ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return enough();
        }
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
    return true;
}

inline void readFields(const std::string &text, std::map<std::string, std::string> &fields) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find("\r\n", at);
        std::string line = text.substr(at, end - at);
        at = end == std::string::npos ? text.size() : end + 2;
        std::size_t colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        std::string name = line.substr(0, colon);
        for (char &c : name) {
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        }
        std::size_t value = line.find_first_not_of(' ', colon + 1);
        fields[name] = value == std::string::npos ? "" : line.substr(value);
    }
}

// Reads one response from `fd`.
inline HttpReply readReply(int fd, int timeoutMs = 20000) {
    HttpReply reply;
    std::string in;
    if (!readUntil(fd, in, timeoutMs, [&] { return in.find("\r\n\r\n") != std::string::npos; })) {
        return reply;
    }
    std::size_t headEnd = in.find("\r\n\r\n");
    std::string head = in.substr(0, headEnd);
    std::string rest = in.substr(headEnd + 4);
    readFields(head.substr(head.find("\r\n") + 2), reply.headers);
    int status = atoi(head.substr(head.find(' ') + 1).c_str());
    reply.chunked = reply.header("transfer-encoding") == "chunked";
    if (reply.chunked) {
        // size CRLF data CRLF ... 0 CRLF trailers CRLF
        std::size_t at = 0;
        for (;;) {
            if (!readUntil(fd, rest, timeoutMs,
                           [&] { return rest.find("\r\n", at) != std::string::npos; })) {
                return reply;
            }
            std::size_t eol = rest.find("\r\n", at);
            std::size_t size = strtoul(rest.substr(at, eol - at).c_str(), nullptr, 16);
            at = eol + 2;
            if (size == 0) {
                if (!readUntil(fd, rest, timeoutMs, [&] {
                        return rest.find("\r\n\r\n", at - 2) != std::string::npos;
                    })) {
                    return reply;
                }
                readFields(rest.substr(at, rest.find("\r\n\r\n", at - 2) - at), reply.trailers);
                break;
            }
            if (!readUntil(fd, rest, timeoutMs, [&] { return rest.size() >= at + size + 2; })) {
                return reply;
            }
            reply.body.append(rest, at, size);
            at += size + 2;
        }
    } else if (!reply.header("content-length").empty()) {
        std::size_t length = strtoul(reply.header("content-length").c_str(), nullptr, 10);
        if (!readUntil(fd, rest, timeoutMs, [&] { return rest.size() >= length; })) {
            return reply;
        }
        reply.body = rest.substr(0, length);
    } else {
        readUntil(fd, rest, timeoutMs, [] { return false; });
        reply.body = rest;
    }
    reply.status = status;
    return reply;
}

// The text of a POST of `body` to /cimom with the CIM headers of an intrinsic
// `method` in root/cimv2, and `more` header lines (each ending in CRLF).
inline std::string cimPost(const std::string &method, const std::string &body,
                           const std::string &more = "") {
    return "POST /cimom HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: application/xml; charset=\"utf-8\"\r\n"
           "CIMProtocolVersion: 1.0\r\nCIMOperation: MethodCall\r\n"
           "CIMMethod: " +
           method + "\r\nCIMObject: root%2Fcimv2\r\n" + more +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The body of an intrinsic call of `method` in `nameSpace` with `params`
// (IPARAMVALUE elements), as a client writes it.
inline std::string cimCall(const std::string &method, const std::string &params,
                           const std::string &nameSpace = "root/cimv2") {
    std::string path;
    for (std::size_t at = 0; at <= nameSpace.size();) {
        std::size_t slash = nameSpace.find('/', at);
        slash = slash == std::string::npos ? nameSpace.size() : slash;
        path += "<NAMESPACE NAME=\"" + nameSpace.substr(at, slash - at) + "\"/>";
        at = slash + 1;
    }
    return "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n"
           "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"4711\" "
           "PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><IMETHODCALL NAME=\"" +
           method + "\"><LOCALNAMESPACEPATH>" + path + "</LOCALNAMESPACEPATH>" + params +
           "</IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>\n";
}

// One request on a fresh connection, and its response.
inline HttpReply ask(unsigned port, const std::string &request, int timeoutMs = 20000) {
    int fd = connectLoopback(port);
    HttpReply reply;
    if (fd >= 0 && sendAll(fd, request)) {
        reply = readReply(fd, timeoutMs);
    }
    if (fd >= 0) {
        close(fd);
    }
    return reply;
}

}  // namespace testing
}  // namespace ulvar_server

#endif
