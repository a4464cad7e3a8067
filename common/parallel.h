#pragma once
// Work spread over a few threads, for operations whose files and log must
// come out the same however many threads work them out.

#include <cstddef>
#include <functional>

namespace tarnovel {

// The threads meant by a "threads" setting: the setting itself when
// positive, otherwise one per core.
unsigned WorkerThreads(int setting);

// Calls work(i, t) for every i in [0, count) on up to `threads` threads,
// the calling thread among them. The items are handed out one at a time in
// order; t tells which thread runs the call (0 the calling thread, always
// below `threads`), so work that writes only to its own item and to state
// of its own thread needs no lock. Before it takes items, the calling
// thread runs `alongside` when one is given: work that must stay on the
// calling thread, done while the other threads start on the items.
// Returns when every call has returned. An exception of `alongside` ends
// the handing out and is rethrown then; otherwise one of `work`, which
// ends that thread's share (the lowest thread's when several threw). Where
// a thread cannot be started, the others take its share.
void ForEachOnThreads(std::size_t count, unsigned threads,
                      const std::function<void(std::size_t, unsigned)>& work,
                      const std::function<void()>& alongside = {});

}  // namespace tarnovel
