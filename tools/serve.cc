// ulvar serve FILE...: answers a management station over CIM-XML/HTTP(S)
// from the report of the database files, until SIGTERM; SIGHUP (or a changed
// file) loads them again.
#include <signal.h>
#include <stdio.h>
#include <sys/resource.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "server/ReportIndex.h"
#include "server/ServeLoop.h"
#include "tools/DatabaseFile.h"
#include "tools/ReportConversion.h"
#include "tools/Tool.h"
#include "wbemkit/cim.h"

namespace ulvar_tool {

namespace {

using ulvar_server::ReportIndex;

struct ServeOptions {
    std::vector<std::string> files;
    std::string listen = "127.0.0.1:5988";
    std::vector<std::string> https;  // CERT KEY
    std::string users;
    bool cluster = false;
    unsigned threads = 4;
    unsigned maxConnections = 1024;
    unsigned timeout = 30;
    std::size_t bodyLimit = 1 << 20;
};

bool readWhole(const std::string &path, std::string &text) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    if (!in) {
        complain(path, errno != 0 ? strerror(errno) : "cannot be read");
        return false;
    }
    text = all.str();
    return true;
}

// Every file loaded and converted, the instance lists indexed together.
std::shared_ptr<const ReportIndex> loadReport(const ServeOptions &options, std::string &why) {
    std::vector<nmspc_cim::CCIMList *> lists;
    auto fail = [&lists, &why](const std::string &reason) {
        for (nmspc_cim::CCIMList *list : lists) {
            nmspc_cim::cim_freeInstanceList(list);
        }
        why = reason;
        return nullptr;
    };
    for (const std::string &path : options.files) {
        DatabaseFile file(path);
        if (!file.load()) {
            complainAbout(file);
            return fail(path + ": the database does not load");
        }
        std::vector<StatusResult> results;
        bool failed = false;
        nmspc_cim::CCIMList *instances =
            convertReport(file.database(), options.cluster, results, failed);
        if (failed) {
            explainFailure(path, results);
            return fail(path + ": the report conversion failed");
        }
        for (const StatusResult &r : results) {
            complain(path, describeResult(r));
        }
        if (instances == nullptr) {
            return fail(path + ": out of memory");
        }
        lists.push_back(instances);
    }
    std::unique_ptr<ReportIndex> index = ReportIndex::build(std::move(lists), &why);
    if (!index) {
        return nullptr;
    }
    std::string loaded = "serving " + std::to_string(index->size()) + " instances";
    if (index->duplicates() > 0) {
        loaded += "; " + std::to_string(index->duplicates()) +
                  " left out because another instance has their name";
    }
    complain("serve", loaded);
    return std::shared_ptr<const ReportIndex>(std::move(index));
}

int serve(const ServeOptions &options) {
    ulvar_server::ServeSettings settings;
    ulvar_server::EndpointSettings &endpoint = settings.endpoint;
    std::string why;
    if (!ulvar_server::parseListenAddress(options.listen, endpoint.address, why)) {
        complain("--listen " + options.listen, why);
        return kExitUsage;
    }
    if (!endpoint.address.loopback() && (options.users.empty() || options.https.empty())) {
        complain("--listen " + options.listen,
                 "other machines can reach this address: give both --https CERT KEY and "
                 "--users FILE, or listen on a loopback address such as 127.0.0.1");
        return kExitUsage;
    }
    if (options.https.size() == 2 && (!readWhole(options.https[0], endpoint.certificate) ||
                                      !readWhole(options.https[1], endpoint.key))) {
        return kExitNoFile;
    }
    endpoint.threads = options.threads;
    endpoint.connectionLimit = options.maxConnections;
    endpoint.timeoutSeconds = options.timeout;
    endpoint.bodyLimit = options.bodyLimit;
    endpoint.log = [](const std::string &line) { complain("serve", line); };
    settings.usersFile = options.users;
    settings.watched = options.files;
    settings.load = [&options](std::string &reason) { return loadReport(options, reason); };
    settings.log = endpoint.log;
    settings.listening = [](const std::string &address) {
        printf("listening on %s\n", address.c_str());
        fflush(stdout);
    };
    // A client that hangs up mid-response is the endpoint's business, not a
    // reason to die.
    signal(SIGPIPE, SIG_IGN);
    // Every connection is a descriptor: room for all of them, if the system
    // allows.
    rlimit files;
    const rlim_t wanted = options.maxConnections + 64;
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < wanted) {
        files.rlim_cur = files.rlim_max < wanted ? files.rlim_max : wanted;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    return ulvar_server::serveUntilStopped(settings) == 0 ? kExitOk : kExitNoFile;
}

}  // namespace

void addServeCommand(CLI::App &app, int &status) {
    auto options = std::make_shared<ServeOptions>();
    CLI::App *cmd = app.add_subcommand(
        "serve",
        "Answer a management station over CIM-XML/HTTP (DMTF DSP0200) from the report of the "
        "database files: instances, instance names and paths, associations, ExecQuery and the "
        "classes of the report, in namespace root/cimv2, read-only.");
    cmd->add_option("FILE", options->files, "Database files, converted into one report")
        ->required();
    cmd->add_option("--listen", options->listen,
                    "Address and port: HOST:PORT, [IPV6]:PORT or PORT (0: any free port). An "
                    "address other machines can reach needs --https and --users")
        ->capture_default_str();
    cmd->add_option("--https", options->https,
                    "Serve HTTPS with this PEM certificate and its PEM key")
        ->expected(2)
        ->type_name("CERT KEY");
    cmd->add_option("--users", options->users,
                    "Ask for HTTP Basic credentials: a file of name:hash lines, each a salted "
                    "yescrypt ($y$) or SHA-512 ($6$) crypt(3) hash (mkpasswd makes them)")
        ->type_name("FILE");
    cmd->add_flag("--cluster", options->cluster,
                  "Convert as a cluster report (the default is a host report)");
    cmd->add_option("--threads", options->threads, "Threads answering requests")
        ->check(CLI::Range(1, 256))
        ->capture_default_str();
    cmd->add_option("--max-connections", options->maxConnections,
                    "Connections open at once, shared evenly among the threads; one more is "
                    "closed at once")
        ->check(CLI::Range(1, 65536))
        ->capture_default_str();
    cmd->add_option("--timeout", options->timeout,
                    "Seconds a connection may stay idle before it is closed")
        ->check(CLI::Range(1, 3600))
        ->capture_default_str();
    cmd->add_option("--body-limit", options->bodyLimit,
                    "Largest request body in bytes; a larger one is refused (413)")
        ->check(CLI::Range(std::size_t{1024}, std::size_t{1} << 30))
        ->capture_default_str();
    cmd->footer(
        "Prints \"listening on URL\" once it serves. SIGHUP, or a change of a FILE (looked at "
        "once a second), loads the files (and the users file) again and swaps the report in "
        "whole; requests in flight finish on the old one, and a load that fails keeps it. "
        "SIGTERM or SIGINT stops.\n"
        "Exit status: 0 stopped by a signal; 2 the report could not be loaded (a file that "
        "does not load or convert), a file could not be read or the address could not be had; "
        "64 a wrong command line.");
    cmd->callback([options, &status] { raise(status, serve(*options)); });
}

}  // namespace ulvar_tool
