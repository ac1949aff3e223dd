#include "kwctl/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kwctl {

void RunInOrder(std::size_t count, int threads, const std::function<void(std::size_t)>& work,
                const std::function<void(std::size_t)>& deliver) {
    const std::size_t wanted =
        static_cast<std::size_t>(std::clamp(threads, kParallelMin, kParallelMax));
    const std::size_t workers = std::min(wanted, count);
    if (workers <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            work(i);
            deliver(i);
        }
        return;
    }

    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::vector<bool> done(count, false);  // under the lock
    std::size_t delivered = 0;             // under the lock
    std::exception_ptr failure;            // under the lock

    const auto fail = [&] {
        if (!failure) failure = std::current_exception();
        stop = true;
    };
    const auto run = [&] {
        while (!stop) {
            const std::size_t i = next++;
            if (i >= count) return;
            try {
                work(i);
            } catch (...) {
                std::lock_guard<std::mutex> guard(lock);
                fail();
                return;
            }
            std::lock_guard<std::mutex> guard(lock);
            done[i] = true;
            try {
                while (!failure && delivered < count && done[delivered])
                    deliver(delivered++);
            } catch (...) {
                fail();
                return;
            }
        }
    };

    std::vector<std::thread> pool;
    for (std::size_t k = 1; k < workers; ++k) {
        try {
            pool.emplace_back(run);
        } catch (const std::system_error&) {
            break;  // fewer threads than asked: the ones there take all the work
        }
    }
    run();
    for (std::thread& t : pool)
        t.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace kwctl
