// Work handed from one thread to another: the caller fills items and puts
// them; a thread of the queue's own works them in order. At most `bound`
// items wait at a time, so that a caller faster than the work waits rather
// than fills memory. Items come back for reuse once worked.
#ifndef TOOLS_FLEET_WORKERQUEUE_H
#define TOOLS_FLEET_WORKERQUEUE_H

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace ulvar_fleet {

template <typename Item>
class WorkerQueue {
  public:
    // Returns false when the work failed; no later item is worked then.
    using Work = std::function<bool(Item &)>;

    // Starts the thread. `work` runs on it only, and never after finish().
    WorkerQueue(Work work, std::size_t bound)
        : work(std::move(work)), bound(bound), thread([this] { run(); }) {}
    ~WorkerQueue() { finish(); }

    WorkerQueue(const WorkerQueue &) = delete;
    WorkerQueue &operator=(const WorkerQueue &) = delete;

    // An item to fill: one already worked, as the work left it, or a new one.
    std::unique_ptr<Item> spare() {
        std::lock_guard<std::mutex> hold(lock);
        if (worked.empty()) {
            return std::unique_ptr<Item>(new Item());
        }
        std::unique_ptr<Item> item = std::move(worked.back());
        worked.pop_back();
        return item;
    }

    // Hands `item` over, waiting while `bound` items wait. False, with the
    // item dropped, once the work has failed.
    bool put(std::unique_ptr<Item> item) {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [this] { return waiting.size() < bound || failed; });
        if (failed) {
            return false;
        }
        waiting.push_back(std::move(item));
        changed.notify_all();
        return true;
    }

    // Waits until every item put is worked (or dropped after a failure) and
    // the thread has ended. Whether all the work succeeded.
    bool finish() {
        {
            std::lock_guard<std::mutex> hold(lock);
            ending = true;
        }
        changed.notify_all();
        if (thread.joinable()) {
            thread.join();
        }
        return !failed;
    }

  private:
    void run() {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            changed.wait(hold, [this] { return !waiting.empty() || ending; });
            if (waiting.empty()) {
                return;
            }
            std::unique_ptr<Item> item = std::move(waiting.front());
            waiting.pop_front();
            changed.notify_all();  // room for the next
            if (!failed) {
                hold.unlock();
                bool ok = work(*item);
                hold.lock();
                if (!ok) {
                    failed = true;
                    changed.notify_all();
                }
            }
            worked.push_back(std::move(item));
        }
    }

    Work work;
    const std::size_t bound;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::unique_ptr<Item>> waiting;
    std::vector<std::unique_ptr<Item>> worked;
    bool ending = false;
    bool failed = false;
    std::thread thread;  // last: starts once the rest is ready
};

}  // namespace ulvar_fleet

#endif
