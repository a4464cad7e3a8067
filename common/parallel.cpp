#include "common/parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace tarnovel {

unsigned WorkerThreads(int setting) {
    if (setting > 0) return static_cast<unsigned>(setting);
    return std::max(1u, std::thread::hardware_concurrency());
}

void ForEachOnThreads(std::size_t count, unsigned threads,
                      const std::function<void(std::size_t, unsigned)>& work,
                      const std::function<void()>& alongside) {
    const unsigned n = static_cast<unsigned>(
        std::max<std::size_t>(1, std::min<std::size_t>(std::max(1u, threads), count)));
    std::atomic<std::size_t> next{0};
    std::vector<std::exception_ptr> errors(n);
    auto share = [&](unsigned t) {
        try {
            for (std::size_t i = next++; i < count; i = next++)
                work(i, t);
        } catch (...) {
            errors[t] = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(n - 1);
    try {
        for (unsigned t = 1; t < n; ++t)
            helpers.emplace_back(share, t);
    } catch (const std::system_error&) {
    }
    std::exception_ptr own;
    if (alongside) {
        try {
            alongside();
        } catch (...) {
            own = std::current_exception();
            next = count;
        }
    }
    if (!own) share(0);
    for (std::thread& helper : helpers)
        helper.join();
    if (own) std::rethrow_exception(own);
    for (const std::exception_ptr& error : errors)
        if (error) std::rethrow_exception(error);
}

}  // namespace tarnovel
