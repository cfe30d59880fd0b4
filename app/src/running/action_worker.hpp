#pragma once
// Runs the panel's actions on threads of their own, so the panel keeps answering while one works.
// A run the panel has abandoned keeps its thread until it notices its cancel flag; a few such may
// finish beside the current run, and beyond that a new run waits for a thread, so a burst of
// abandoned runs cannot take every core or hold their memory at once.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include <tavlets/panel_model.hpp>

namespace tavlets {

class ActionWorker {
public:
    // Hands a task to the UI thread.
    using Post = std::function<void(std::function<void()>)>;
    // Called on the UI thread with the result of a run that was not cancelled.
    using Done = std::function<void(std::uint64_t ticket, Outcome outcome)>;

    explicit ActionWorker(Post post, std::size_t maxThreads = 3);
    // Cancels every run and waits for the threads.
    ~ActionWorker();
    ActionWorker(const ActionWorker&) = delete;
    ActionWorker& operator=(const ActionWorker&) = delete;

    // Starts the run, then waits up to `wait` for it: true when it has finished by then and its
    // result (if it still wants one) is already posted. Most actions take a few milliseconds, and
    // a short wait lets them land in one step, as if run in place.
    bool start(PanelModel::Run run, Done done,
               std::chrono::milliseconds wait = std::chrono::milliseconds(0));

    // Called on the UI thread each time the last busy thread has finished (to return memory).
    std::function<void()> onIdle;

    // Starts a thread; replaceable so that tests can make it fail as the system may.
    std::function<std::thread(std::function<void()>)> startThread = [](std::function<void()> body) {
        return std::thread(std::move(body));
    };

    // Threads that have not finished yet, of this worker and of every worker (for tests).
    std::size_t liveThreads() const;
    static std::size_t liveThreadsInProcess();

private:
    struct Finish {
        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;
    };
    struct Job {
        PanelModel::Run run;
        Done done;
        std::shared_ptr<Finish> finish;
    };
    struct Slot {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> cancelled;  // of the job it runs now
        bool finished = false;
    };

    void work(Slot* slot, Job job);
    void failToStart(Job job);
    void reapFinished(std::unique_lock<std::mutex>& lock);

    Post post_;
    std::size_t maxThreads_;
    mutable std::mutex mutex_;
    std::list<Slot> slots_;
    std::optional<Job> waiting_;
    bool stopping_ = false;
    // Tasks posted to the UI thread check it there, so one that arrives after this worker is gone
    // does nothing.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tavlets
