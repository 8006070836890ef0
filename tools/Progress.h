// Progress of a long step on standard error, shown only when standard error is
// a terminal and the step takes more than a second.
#ifndef TOOLS_PROGRESS_H
#define TOOLS_PROGRESS_H

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace ulvar_tool {

class Progress {
  public:
    // Shows "ulvar: <label>: <state()>" from one second on, refreshed four
    // times a second, until the object goes (which clears the line). `state`
    // is called from another thread: it must only read what is safe to read
    // there.
    Progress(std::string label, std::function<std::string()> state);
    ~Progress();

    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

  private:
    void run();

    std::string label;
    std::function<std::string()> state;
    std::mutex lock;
    std::condition_variable wake;
    bool done = false;
    std::thread worker;
};

}  // namespace ulvar_tool

#endif
