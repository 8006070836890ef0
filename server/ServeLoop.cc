#include "server/ServeLoop.h"

#include <signal.h>
#include <sys/stat.h>
#include <time.h>

#include <cerrno>

namespace ulvar_server {

namespace {

// What says a file changed: where it is, how long it is and when it was
// written. A file that cannot be looked at is all zeros.
struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec written{};

    bool operator!=(const FileState &other) const {
        return device != other.device || inode != other.inode || size != other.size ||
               written.tv_sec != other.written.tv_sec || written.tv_nsec != other.written.tv_nsec;
    }
};

std::vector<FileState> statesOf(const std::vector<std::string> &files) {
    std::vector<FileState> states(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        struct stat st;
        if (stat(files[i].c_str(), &st) == 0) {
            states[i] = {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
        }
    }
    return states;
}

bool loadUsers(const ServeSettings &settings, std::shared_ptr<const UserFile> &users,
               std::string &why) {
    if (settings.usersFile.empty()) {
        users = nullptr;
        return true;
    }
    users = UserFile::load(settings.usersFile, why);
    return users != nullptr;
}

}  // namespace

int serveUntilStopped(const ServeSettings &settings) {
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGHUP);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);

    std::string why;
    std::vector<FileState> seen = statesOf(settings.watched);
    std::shared_ptr<const ReportIndex> index = settings.load(why);
    std::shared_ptr<const UserFile> users;
    if (!index || !loadUsers(settings, users, why)) {
        settings.log(why);
        return 2;
    }
    HttpEndpoint endpoint;
    endpoint.serve(index);
    endpoint.requireUsers(users);
    if (!endpoint.start(settings.endpoint, why)) {
        settings.log(why);
        return 2;
    }
    const ListenAddress &address = settings.endpoint.address;
    const bool tls = !settings.endpoint.certificate.empty();
    settings.listening(std::string(tls ? "https://" : "http://") + address.text(endpoint.port()));
    index.reset();

    for (;;) {
        timespec second = {1, 0};
        int signal = sigtimedwait(&stopping, nullptr, &second);
        if (signal == SIGTERM || signal == SIGINT) {
            settings.log("stopping");
            return 0;
        }
        std::vector<FileState> now = statesOf(settings.watched);
        bool changed = false;
        for (std::size_t i = 0; i < now.size(); ++i) {
            changed |= now[i] != seen[i];
        }
        if (signal != SIGHUP && !changed) {
            continue;
        }
        seen = now;
        std::shared_ptr<const ReportIndex> fresh = settings.load(why);
        if (!fresh || !loadUsers(settings, users, why)) {
            settings.log("the reload failed; still serving the report loaded before: " + why);
            continue;
        }
        endpoint.requireUsers(users);
        endpoint.serve(std::move(fresh));
        settings.log(signal == SIGHUP ? "reloaded on SIGHUP" : "reloaded: a file changed");
    }
}

}  // namespace ulvar_server
