// A throwaway PostgreSQL server for tests and benchmarks: a fresh cluster made
// by initdb in a temporary folder, serving only on a unix socket in that
// folder (listen_addresses is empty), without fsync. As root, initdb refuses
// to run: the cluster then belongs to, and the server runs as, "nobody". The
// server dies with this process, and the folder goes when the object does.
#ifndef TOOLS_TESTING_POSTGRESSERVER_H
#define TOOLS_TESTING_POSTGRESSERVER_H

#include <sys/types.h>

#include <string>

namespace ulvar_tool {
namespace testing {

class PostgresServer {
  public:
    PostgresServer() = default;
    // Stops the server and removes its folder.
    ~PostgresServer();

    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    // The initdb to use: the newest /usr/lib/postgresql/<version>/bin/initdb,
    // else one on the PATH; empty when there is none.
    static std::string findInitdb();

    // Makes the cluster and starts the server, waiting until it answers (at
    // most 30 seconds). False with the reason in `why`.
    bool start(std::string &why);
    void stop();

    // A libpq connection string for the database "postgres" as the cluster's
    // superuser, "fleet".
    std::string conninfo() const;

  private:
    std::string folder;
    pid_t server = -1;
};

}  // namespace testing
}  // namespace ulvar_tool

#endif
