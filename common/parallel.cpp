#include "common/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>

namespace tarnovel {

unsigned WorkerThreads(int setting) {
    if (setting > 0) return static_cast<unsigned>(setting);
    return std::max(1u, std::thread::hardware_concurrency());
}

// What the calling thread shares with the helpers. A round is announced by
// a new generation; the helpers that took part count themselves out.
struct ThreadTeam::Round {
    std::mutex mutex;
    std::condition_variable started;
    std::condition_variable ended;
    unsigned long long generation = 0;
    unsigned busy = 0;  // helpers still in the round
    bool closing = false;

    std::size_t count = 0;
    const std::function<void(std::size_t, unsigned)>* work = nullptr;
    std::atomic<std::size_t> next{0};
    std::vector<std::exception_ptr> errors;

    // Takes items until none is left; an exception ends this thread's share.
    void Share(unsigned t) {
        try {
            for (std::size_t i = next++; i < count; i = next++)
                (*work)(i, t);
        } catch (...) {
            errors[t] = std::current_exception();
        }
    }
};

ThreadTeam::ThreadTeam(unsigned threads) : round_(std::make_unique<Round>()) {
    const unsigned n = std::max(1u, threads);
    helpers_.reserve(n - 1);
    try {
        for (unsigned t = 1; t < n; ++t)
            helpers_.emplace_back(&ThreadTeam::Serve, this, t);
    } catch (const std::system_error&) {
    }
    round_->errors.resize(helpers_.size() + 1);
}

ThreadTeam::~ThreadTeam() {
    {
        std::lock_guard<std::mutex> lock(round_->mutex);
        round_->closing = true;
    }
    round_->started.notify_all();
    for (std::thread& helper : helpers_)
        helper.join();
}

void ThreadTeam::Serve(unsigned t) {
    Round& r = *round_;
    unsigned long long seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(r.mutex);
            r.started.wait(lock, [&] { return r.closing || r.generation != seen; });
            if (r.closing) return;
            seen = r.generation;
        }
        r.Share(t);
        std::lock_guard<std::mutex> lock(r.mutex);
        if (--r.busy == 0) r.ended.notify_one();
    }
}

void ThreadTeam::ForEach(std::size_t count, const std::function<void(std::size_t, unsigned)>& work,
                         const std::function<void()>& alongside) {
    Round& r = *round_;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        r.count = count;
        r.work = &work;
        r.next = 0;
        std::fill(r.errors.begin(), r.errors.end(), nullptr);
        r.busy = static_cast<unsigned>(helpers_.size());
        ++r.generation;
    }
    r.started.notify_all();
    std::exception_ptr own;
    if (alongside) {
        try {
            alongside();
        } catch (...) {
            own = std::current_exception();
            r.next = count;
        }
    }
    if (!own) r.Share(0);
    {
        std::unique_lock<std::mutex> lock(r.mutex);
        r.ended.wait(lock, [&] { return r.busy == 0; });
    }
    if (own) std::rethrow_exception(own);
    for (const std::exception_ptr& error : r.errors)
        if (error) std::rethrow_exception(error);
}

}  // namespace tarnovel
