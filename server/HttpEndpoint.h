// The HTTP side of the WBEM server (libmicrohttpd: a pool of threads, a
// connection limit and an idle timeout; TLS through GnuTLS). It takes POSTs
// of CIM operations, refuses what DSP0200 says to refuse with the status and
// CIMError header it names, asks for HTTP Basic credentials when users are
// set, and sends a large response in chunks while it is written.
#ifndef SERVER_HTTPENDPOINT_H
#define SERVER_HTTPENDPOINT_H

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "server/ListenAddress.h"
#include "server/ReportIndex.h"
#include "server/UserFile.h"

struct MHD_Daemon;

namespace ulvar_server {

struct EndpointSettings {
    ListenAddress address;
    std::string certificate;  // PEM texts of the certificate and its key; both
    std::string key;          // empty for plain HTTP
    std::size_t bodyLimit = 1 << 20;
    unsigned threads = 4;
    unsigned connectionLimit = 1024;  // shared evenly among the threads
    unsigned timeoutSeconds = 30;
    // Where the endpoint says what went wrong outside a request (may be empty).
    std::function<void(const std::string &)> log;
};

class HttpEndpoint {
  public:
    HttpEndpoint();
    ~HttpEndpoint();

    HttpEndpoint(const HttpEndpoint &) = delete;
    HttpEndpoint &operator=(const HttpEndpoint &) = delete;

    // Starts listening. False, with the reason in `why`, when the address
    // cannot be had or TLS cannot start.
    bool start(const EndpointSettings &settings, std::string &why);
    // Stops: no new request is taken; requests in flight are cut. Called by
    // the destructor too.
    void stop();
    // The port it listens on (the one the system chose for port 0).
    unsigned port() const;

    // The report requests are answered from from now on; requests already
    // answered from the one before finish on it.
    void serve(std::shared_ptr<const ReportIndex> index);
    // The users allowed in; null lets everybody in.
    void requireUsers(std::shared_ptr<const UserFile> users);

    // What the request threads share (defined with them).
    struct Shared;

  private:
    std::shared_ptr<Shared> shared;
    MHD_Daemon *daemon = nullptr;
};

}  // namespace ulvar_server

#endif
