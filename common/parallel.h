#pragma once
// Work spread over a few threads, for operations whose files and log must
// come out the same however many threads work them out.

#include <cstddef>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace tarnovel {

// The threads meant by a "threads" setting: the setting itself when
// positive, otherwise one per core.
unsigned WorkerThreads(int setting);

// The calling thread and up to threads - 1 helpers, started once and kept
// for many rounds of work: an operation that works in blocks pays for
// starting threads once, not once a block. Where a helper cannot be
// started, the team works with fewer.
class ThreadTeam {
  public:
    explicit ThreadTeam(unsigned threads);
    ~ThreadTeam();
    ThreadTeam(const ThreadTeam&) = delete;
    ThreadTeam& operator=(const ThreadTeam&) = delete;

    // Calls work(i, t) for every i in [0, count). The items are handed out
    // one at a time in order; t tells which thread runs the call (0 the
    // calling thread, always below the team's threads), so work that writes
    // only to its own item and to state of its own thread needs no lock.
    // Before it takes items, the calling thread runs `alongside` when one
    // is given: work that must stay on the calling thread, done while the
    // helpers start on the items. Returns when every call has returned. An
    // exception of `alongside` ends the handing out and is rethrown then;
    // otherwise one of `work`, which ends that thread's share (the lowest
    // thread's when several threw).
    void ForEach(std::size_t count, const std::function<void(std::size_t, unsigned)>& work,
                 const std::function<void()>& alongside = {});

    // The threads that work: the calling thread and the helpers started.
    unsigned size() const { return static_cast<unsigned>(helpers_.size()) + 1; }

  private:
    struct Round;
    void Serve(unsigned t);

    std::unique_ptr<Round> round_;
    std::vector<std::thread> helpers_;
};

// Works through [begin, end) in blocks of `size`, in order, two blocks at
// a time: workOut(first, block, alongside) works out the block that starts
// at `first` (on a team, with `alongside` on the calling thread), and
// alongside it the calling thread does finish(first, block) for the block
// before. So writing one block overlaps working out the next, and every
// block is finished in order.
template <typename Block, typename WorkOut, typename Finish>
void WorkInBlocks(std::size_t begin, std::size_t end, std::size_t size, WorkOut workOut,
                  Finish finish) {
    Block ready, next;
    if (begin < end) workOut(begin, ready, std::function<void()>());
    for (std::size_t first = begin; first < end; first += size) {
        if (first + size < end) {
            workOut(first + size, next, std::function<void()>([&] { finish(first, ready); }));
            std::swap(ready, next);
        } else {
            finish(first, ready);
        }
    }
}

}  // namespace tarnovel
