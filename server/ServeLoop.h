// The life of a serving process: the endpoint started on the first report,
// SIGHUP (and a changed file, looked at once a second) loads the report again
// and swaps it in whole, SIGTERM and SIGINT stop. A load that fails leaves the
// report that was served. Signals are taken by this thread alone.
#ifndef SERVER_SERVELOOP_H
#define SERVER_SERVELOOP_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "server/HttpEndpoint.h"
#include "server/ReportIndex.h"

namespace ulvar_server {

struct ServeSettings {
    EndpointSettings endpoint;
    // The users file ("" for none), read again with every reload.
    std::string usersFile;
    // Files whose change (time, size or identity) reloads the report.
    std::vector<std::string> watched;
    // Loads the report; null with the reason in `why`.
    std::function<std::shared_ptr<const ReportIndex>(std::string &why)> load;
    // Where the loop says what it does and what went wrong.
    std::function<void(const std::string &)> log;
    // Called once with the address served, e.g. "http://127.0.0.1:5988".
    std::function<void(const std::string &)> listening;
};

// Blocks SIGHUP, SIGTERM and SIGINT in the calling thread (and in the threads
// it starts), loads the report, serves it until SIGTERM or SIGINT and returns
// 0; returns 2 when the first load, the users file or the listening fails.
int serveUntilStopped(const ServeSettings &settings);

}  // namespace ulvar_server

#endif
