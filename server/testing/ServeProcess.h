// `ulvar serve` run by a test: started on a free loopback port, found by the
// "listening on" line it prints, and stopped with SIGTERM when the test ends,
// however it ends. Also Debian's wbemcli run against it.
#ifndef SERVER_TESTING_SERVEPROCESS_H
#define SERVER_TESTING_SERVEPROCESS_H

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace ulvar_server {
namespace testing {

inline std::string fileText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

class ServeProcess {
  public:
    // Runs `ulvar serve` with `args` (the listen address among them, or
    // 127.0.0.1:0 added in front) and waits up to 20 s for it to listen.
    explicit ServeProcess(std::vector<std::string> args, bool addListen = true) {
        if (addListen) {
            args.insert(args.begin(), {"--listen", "127.0.0.1:0"});
        }
        args.insert(args.begin(), {ULVAR_TOOL, "serve"});
        char name[] = "/tmp/ulvar-serve-stderr-XXXXXX";
        int err = mkstemp(name);
        errorFile = name;
        int out[2];
        if (err < 0 || pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            dup2(err, 2);
            std::vector<char *> argv;
            for (std::string &a : args) {
                argv.push_back(&a[0]);
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err);
        output = out[0];
        std::string line;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (line.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd p = {output, POLLIN, 0};
            char c[256];
            ssize_t n = 0;
            if (poll(&p, 1, 100) > 0 && (n = read(output, c, sizeof c)) <= 0) {
                break;
            }
            line.append(c, n > 0 ? static_cast<std::size_t>(n) : 0);
        }
        const std::string prefix = "listening on ";
        if (line.compare(0, prefix.size(), prefix) == 0) {
            url = line.substr(prefix.size(), line.find('\n') - prefix.size());
            port = static_cast<unsigned>(atoi(url.substr(url.rfind(':') + 1).c_str()));
        }
    }

    ~ServeProcess() {
        stop();
        if (output >= 0) {
            close(output);
        }
        unlink(errorFile.c_str());
    }

    ServeProcess(const ServeProcess &) = delete;
    ServeProcess &operator=(const ServeProcess &) = delete;

    bool listening() const { return port != 0; }

    // Sends `signal` to the server.
    void signal(int number) const {
        if (pid > 0) {
            kill(pid, number);
        }
    }

    // Stops the server with SIGTERM (SIGKILL after 20 s) and gives its exit
    // status, or -1 when it did not exit by itself.
    int stop() {
        if (pid <= 0) {
            return exitStatus;
        }
        kill(pid, SIGTERM);
        for (int i = 0; i < 200; ++i) {
            int status;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                pid = -1;
                return exitStatus;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1;
        return exitStatus = -1;
    }

    // What the server wrote on standard error so far.
    std::string errors() const { return fileText(errorFile); }

    std::string url;
    unsigned port = 0;

  private:
    pid_t pid = -1;
    int output = -1;
    int exitStatus = -1;
    std::string errorFile;
};

// What one run of wbemcli printed.
struct WbemcliRun {
    int status = -1;
    std::string out;
    std::string err;
    // The last response body it received (it prints them with -dx).
    std::string response() const {
        std::size_t start = err.rfind("From server: <?xml");
        std::size_t end = err.rfind("</CIM>");
        return start == std::string::npos || end == std::string::npos || end < start
                   ? std::string()
                   : err.substr(start + 13, end + 6 - start - 13);
    }
};

// Runs `wbemcli -dx <arguments>` (the arguments as a shell would split them).
inline WbemcliRun wbemcli(const std::string &arguments) {
    char out[] = "/tmp/ulvar-wbemcli-out-XXXXXX";
    char err[] = "/tmp/ulvar-wbemcli-err-XXXXXX";
    close(mkstemp(out));
    close(mkstemp(err));
    WbemcliRun run;
    int status = system(("timeout 60 wbemcli -dx " + arguments + " >" + out + " 2>" + err).c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = fileText(out);
    run.err = fileText(err);
    unlink(out);
    unlink(err);
    return run;
}

inline bool haveWbemcli() {
    return system("command -v wbemcli >/dev/null 2>&1") == 0;
}

}  // namespace testing
}  // namespace ulvar_server

#define SKIP_WITHOUT_WBEMCLI()                                                             \
    do {                                                                                   \
        if (!ulvar_server::testing::haveWbemcli()) {                                       \
            GTEST_SKIP() << "wbemcli is not installed (Debian package sblim-wbemcli; see " \
                            "scripts/deps)";                                               \
        }                                                                                  \
    } while (0)

#endif
