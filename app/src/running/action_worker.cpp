#include "running/action_worker.hpp"

#include <system_error>
#include <utility>
#include <vector>

#if defined(__linux__)
#include <pthread.h>
#endif

namespace tavlets {

namespace {
std::atomic<std::size_t> threadsInProcess{0};
}

std::size_t ActionWorker::liveThreadsInProcess() {
    return threadsInProcess.load();
}

ActionWorker::ActionWorker(Post post, std::size_t maxThreads)
    : post_(std::move(post)), maxThreads_(maxThreads < 1 ? 1 : maxThreads) {}

ActionWorker::~ActionWorker() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (waiting_) waiting_->run.cancelled->store(true);
        waiting_.reset();
        for (Slot& slot : slots_) {
            if (slot.cancelled) slot.cancelled->store(true);
            threads.push_back(std::move(slot.thread));
        }
    }
    // The engines poll their flag, so this wait is short.
    for (std::thread& thread : threads) {
        if (thread.joinable()) thread.join();
    }
}

std::size_t ActionWorker::liveThreads() const {
    std::lock_guard lock(mutex_);
    std::size_t live = 0;
    for (const Slot& slot : slots_) live += slot.finished ? 0 : 1;
    return live;
}

void ActionWorker::reapFinished(std::unique_lock<std::mutex>& lock) {
    std::vector<std::thread> done;
    for (auto it = slots_.begin(); it != slots_.end();) {
        if (it->finished) {
            done.push_back(std::move(it->thread));
            it = slots_.erase(it);
        } else {
            ++it;
        }
    }
    lock.unlock();
    // A finished thread has only its return left to do.
    for (std::thread& thread : done) thread.join();
    lock.lock();
}

bool ActionWorker::start(PanelModel::Run run, Done done, std::chrono::milliseconds wait) {
    auto finish = std::make_shared<Finish>();
    {
        std::unique_lock lock(mutex_);
        reapFinished(lock);
        if (stopping_) return false;
        // A run still waiting for a thread was abandoned when this one started: it never runs.
        waiting_.reset();
        std::size_t live = 0;
        for (const Slot& slot : slots_) live += slot.finished ? 0 : 1;
        auto job = std::make_shared<Job>(Job{std::move(run), std::move(done), finish});
        if (live >= maxThreads_) {
            waiting_ = std::move(*job);
        } else {
            Slot& slot = slots_.emplace_back();
            slot.cancelled = job->run.cancelled;
            ++threadsInProcess;
            try {
                slot.thread = startThread([this, &slot, job] { work(&slot, std::move(*job)); });
            } catch (const std::system_error&) {
                --threadsInProcess;
                // No thread to be had: leave the count and slots as they were. With a run still
                // going, this one waits for its thread; otherwise it fails now, where the user sees it.
                slots_.pop_back();
                if (live > 0) {
                    waiting_ = std::move(*job);
                } else {
                    failToStart(std::move(*job));
                    return true;
                }
            }
        }
    }
    if (wait.count() <= 0) return false;
    std::unique_lock lock(finish->mutex);
    return finish->changed.wait_for(lock, wait, [&] { return finish->done; });
}

void ActionWorker::failToStart(Job job) {
    if (job.done) {
        post_([done = std::move(job.done), ticket = job.run.ticket] {
            done(ticket, Outcome{"The action couldn't start: the system has no thread to spare. Try again.", true, false});
        });
    }
    std::lock_guard lock(job.finish->mutex);
    job.finish->done = true;
}

void ActionWorker::work(Slot* slot, Job job) {
#if defined(__linux__)
    // Named, so that the threads can be told apart in a process listing.
    pthread_setname_np(pthread_self(), "tavlets-action");
#endif
    for (;;) {
        if (!job.run.cancelled->load()) {
            auto outcome = std::make_shared<Outcome>(job.run.execute());
            const std::uint64_t ticket = job.run.ticket;
            // Let go of the text now; the model may already have dropped its own reference.
            job.run = PanelModel::Run{ticket, nullptr, nullptr, job.run.cancelled};
            if (!job.run.cancelled->load() && job.done) {
                post_([done = std::move(job.done), ticket, outcome] { done(ticket, std::move(*outcome)); });
            }
            // An abandoned result is freed here, on the worker, rather than on the UI thread.
        }
        if (job.finish) {
            std::lock_guard done(job.finish->mutex);
            job.finish->done = true;
            job.finish->changed.notify_all();
        }
        job = Job{};

        std::unique_lock lock(mutex_);
        if (waiting_ && !stopping_) {
            job = std::move(*waiting_);
            waiting_.reset();
            slot->cancelled = job.run.cancelled;
            continue;
        }
        slot->finished = true;
        slot->cancelled.reset();
        --threadsInProcess;
        bool idle = !stopping_;
        for (const Slot& other : slots_) idle = idle && other.finished;
        lock.unlock();
        if (idle) {
            post_([this, alive = std::weak_ptr<int>(alive_)] {
                if (alive.lock() && onIdle) onIdle();
            });
        }
        return;
    }
}

}  // namespace tavlets
