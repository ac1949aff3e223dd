// Per-queue work on several threads, with the results taken in the order of the queue list.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>

namespace kwctl {

inline constexpr int kParallelMin = 1;
inline constexpr int kParallelMax = 64;
inline constexpr int kParallelDefault = 4;

// Runs work(i) for every i below `count` on up to `threads` threads (taken into 1 to 64), and
// calls deliver(i, failure) in the order of i, each as soon as work(i) and every earlier one are
// done. `failure` is what work(i) threw, or null: one piece of work that fails keeps no other
// from being done and delivered. The deliveries run one at a time, under a lock, on whichever
// thread finished the work that completed the order. With one thread everything runs on the
// calling thread: work(0), deliver(0), work(1), ... An exception from deliver stops the handing
// out of work and is thrown again once every thread has ended.
// `start`, when given, is called as each work(i) is handed out, in the order of i, under the
// same lock as the deliveries: what it and deliver write never mixes.
void RunInOrder(std::size_t count, int threads, const std::function<void(std::size_t)>& work,
                const std::function<void(std::size_t, std::exception_ptr)>& deliver,
                const std::function<void(std::size_t)>& start = {});

}  // namespace kwctl
