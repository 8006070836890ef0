#include "tools/testing/PostgresServer.h"

#include <fcntl.h>
#include <ftw.h>
#include <glob.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace ulvar_tool {
namespace testing {

namespace {

constexpr int kStartSeconds = 30;
constexpr int kStopSeconds = 10;

void pause(long milliseconds) {
    struct timespec t = {milliseconds / 1000, (milliseconds % 1000) * 1000000};
    nanosleep(&t, nullptr);
}

bool executable(const std::string &path) {
    return access(path.c_str(), X_OK) == 0;
}

// "15" sorts before "9" as text; as numbers it does not.
long versionOf(const std::string &path) {
    const char *prefix = "/usr/lib/postgresql/";
    return std::strtol(path.c_str() + std::strlen(prefix), nullptr, 10);
}

std::string tail(const std::string &path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    return s.size() > 600 ? s.substr(s.size() - 600) : s;
}

// Runs `argv` in `folder` as `user` (null: as this process), its output
// appended to `log`; the process dies with this one.
pid_t spawn(const std::vector<std::string> &argv, const std::string &folder,
            const struct passwd *user, const std::string &log) {
    pid_t child = fork();
    if (child != 0) {
        return child;
    }
    int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (out < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0 || chdir(folder.c_str()) != 0 ||
        (user != nullptr && (setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0)) ||
        prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) {
        _exit(127);
    }
    std::vector<char *> args;
    for (const std::string &a : argv) {
        args.push_back(const_cast<char *>(a.c_str()));
    }
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

int removeEntry(const char *path, const struct stat *, int, struct FTW *) {
    return remove(path);
}

}  // namespace

std::string PostgresServer::findInitdb() {
    glob_t found;
    std::string best;
    if (glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &found) == 0) {
        for (std::size_t i = 0; i < found.gl_pathc; ++i) {
            std::string path = found.gl_pathv[i];
            if (executable(path) && (best.empty() || versionOf(path) > versionOf(best))) {
                best = path;
            }
        }
    }
    globfree(&found);
    if (!best.empty()) {
        return best;
    }
    const char *path = getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        char *real = realpath((dir + "/initdb").c_str(), nullptr);
        std::string candidate = real != nullptr ? real : "";
        free(real);
        if (!candidate.empty() && executable(candidate)) {
            return candidate;
        }
    }
    return std::string();
}

PostgresServer::~PostgresServer() {
    stop();
}

bool PostgresServer::start(std::string &why) {
    std::string initdb = findInitdb();
    if (initdb.empty()) {
        why = "no initdb (Debian's package postgresql installs it)";
        return false;
    }
    std::string bin = initdb.substr(0, initdb.rfind('/'));
    char name[] = "/tmp/ulvar_pgXXXXXX";
    if (mkdtemp(name) == nullptr) {
        why = std::string("cannot make a folder: ") + strerror(errno);
        return false;
    }
    folder = name;
    // initdb refuses to run as root.
    const struct passwd *user = geteuid() == 0 ? getpwnam("nobody") : nullptr;
    if (geteuid() == 0 && (user == nullptr || chown(name, user->pw_uid, user->pw_gid) != 0)) {
        why = "running as root, and no user \"nobody\" to run the server as";
        return false;
    }
    const std::string log = folder + "/log";
    pid_t made = spawn({initdb, "-D", folder + "/data", "-U", "fleet", "-A", "trust", "-E", "UTF8",
                        "--locale=C", "--no-sync"},
                       folder, user, log);
    int status = 0;
    if (made < 0 || waitpid(made, &status, 0) != made || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        why = "initdb failed: " + tail(log);
        return false;
    }
    server = spawn(
        {bin + "/postgres", "-D", folder + "/data", "-k", folder, "-c", "listen_addresses=", "-c",
         "fsync=off", "-c", "full_page_writes=off", "-c", "synchronous_commit=off"},
        folder, user, log);
    for (int tries = 0; tries < kStartSeconds * 20; ++tries) {
        if (PQping(conninfo().c_str()) == PQPING_OK) {
            return true;
        }
        if (waitpid(server, &status, WNOHANG) == server) {
            server = -1;
            break;
        }
        pause(50);
    }
    why = "the server did not start: " + tail(log);
    return false;
}

void PostgresServer::stop() {
    if (server > 0) {
        kill(server, SIGINT);  // fast shutdown: ends sessions, no checkpoint wait
        int status;
        bool gone = false;
        for (int tries = 0; tries < kStopSeconds * 20 && !gone; ++tries) {
            gone = waitpid(server, &status, WNOHANG) == server;
            if (!gone) {
                pause(50);
            }
        }
        if (!gone) {
            kill(server, SIGKILL);
            waitpid(server, &status, 0);
        }
        server = -1;
    }
    if (!folder.empty()) {
        nftw(folder.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
        folder.clear();
    }
}

std::string PostgresServer::conninfo() const {
    return "host=" + folder + " user=fleet dbname=postgres";
}

}  // namespace testing
}  // namespace ulvar_tool
