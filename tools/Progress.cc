#include "tools/Progress.h"

#include <stdio.h>
#include <unistd.h>

#include <chrono>
#include <system_error>

namespace ulvar_tool {

Progress::Progress(std::string label, std::function<std::string()> state)
    : label(std::move(label)), state(std::move(state)) {
    if (isatty(STDERR_FILENO) == 0) {
        return;
    }
    try {
        worker = std::thread(&Progress::run, this);
    } catch (const std::system_error &) {
        // No thread, no progress: the step itself goes on.
    }
}

Progress::~Progress() {
    if (!worker.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        done = true;
    }
    wake.notify_all();
    worker.join();
}

void Progress::run() {
    std::unique_lock<std::mutex> hold(lock);
    if (wake.wait_for(hold, std::chrono::seconds(1), [this] { return done; })) {
        return;
    }
    do {
        fprintf(stderr, "\rulvar: %s: %s\033[K", label.c_str(), state().c_str());
        fflush(stderr);
    } while (!wake.wait_for(hold, std::chrono::milliseconds(250), [this] { return done; }));
    fputs("\r\033[K", stderr);
    fflush(stderr);
}

}  // namespace ulvar_tool
