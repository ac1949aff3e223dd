#include "kwctl/Parallel.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kwctl {
namespace {

// What work(i) threw, or null.
std::exception_ptr Try(const std::function<void(std::size_t)>& work, std::size_t i) {
    try {
        work(i);
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

// The shared state of a run on several threads.
class Runner {
public:
    Runner(std::size_t count, const std::function<void(std::size_t)>& work,
           const std::function<void(std::size_t, std::exception_ptr)>& deliver,
           const std::function<void(std::size_t)>& start)
        : m_count(count),
          m_work(work),
          m_deliver(deliver),
          m_start(start),
          m_done(count, false),
          m_failures(count) {}

    // One thread's loop: take the next piece, do it, deliver what is ready.
    void Run() {
        for (;;) {
            std::size_t i = 0;
            {
                std::lock_guard<std::mutex> guard(m_lock);
                if (m_stopped || m_next >= m_count) return;
                i = m_next++;
                if (!Guarded([&] { if (m_start) m_start(i); })) return;
            }
            std::exception_ptr failure = Try(m_work, i);
            std::lock_guard<std::mutex> guard(m_lock);
            m_failures[i] = failure;
            m_done[i] = true;
            while (!m_stopped && m_delivered < m_count && m_done[m_delivered]) {
                const std::size_t d = m_delivered++;
                if (!Guarded([&] { m_deliver(d, m_failures[d]); })) return;
            }
        }
    }

    // Under the lock: what deliver or start threw, to be thrown again.
    void Rethrow() const {
        if (m_thrown) std::rethrow_exception(m_thrown);
    }

private:
    template <class F>
    bool Guarded(F f) {
        try {
            f();
            return true;
        } catch (...) {
            if (!m_thrown) m_thrown = std::current_exception();
            m_stopped = true;
            return false;
        }
    }

    const std::size_t m_count;
    const std::function<void(std::size_t)>& m_work;
    const std::function<void(std::size_t, std::exception_ptr)>& m_deliver;
    const std::function<void(std::size_t)>& m_start;
    std::mutex m_lock;
    // Under the lock:
    std::size_t m_next = 0;
    std::size_t m_delivered = 0;
    std::vector<bool> m_done;
    std::vector<std::exception_ptr> m_failures;
    std::exception_ptr m_thrown;
    bool m_stopped = false;
};

}  // namespace

void RunInOrder(std::size_t count, int threads, const std::function<void(std::size_t)>& work,
                const std::function<void(std::size_t, std::exception_ptr)>& deliver,
                const std::function<void(std::size_t)>& start) {
    const std::size_t wanted =
        static_cast<std::size_t>(std::clamp(threads, kParallelMin, kParallelMax));
    const std::size_t workers = std::min(wanted, count);
    if (workers <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            if (start) start(i);
            deliver(i, Try(work, i));
        }
        return;
    }
    Runner runner(count, work, deliver, start);
    std::vector<std::thread> pool;
    for (std::size_t k = 1; k < workers; ++k) {
        try {
            pool.emplace_back([&runner] { runner.Run(); });
        } catch (const std::system_error&) {
            break;  // fewer threads than asked: the ones there take all the work
        }
    }
    runner.Run();
    for (std::thread& t : pool)
        t.join();
    runner.Rethrow();
}

}  // namespace kwctl
