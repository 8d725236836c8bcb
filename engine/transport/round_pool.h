#pragma once
// A small pool of helper threads that work in rounds. The caller starts a
// round with a task; helper h (0-based) runs task(h) if h is below the
// round's count, and the caller, free to work on its own share meanwhile,
// waits for the round's end. An exception a helper's task throws is kept and
// rethrown to the caller at the end of the round, so it never ends the
// process. The threads start once, with the pool, and are joined when it is
// destroyed; a round still running then is first waited for, so that no
// task outlives the data the caller gave it.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace corvane {

class RoundPool {
public:
    // Starts up to `helpers` threads: fewer when the system refuses more
    // (size() tells), at the least none.
    explicit RoundPool(std::size_t helpers);
    ~RoundPool();
    RoundPool(const RoundPool&) = delete;
    RoundPool& operator=(const RoundPool&) = delete;

    // The helper threads running.
    std::size_t size() const { return threads_.size(); }

    // Starts a round in which helpers 0..count-1 run task(h); the others
    // pass. Only one round runs at a time.
    void start(std::function<void(std::size_t)> task, std::size_t count);

    // Waits for every helper to finish the round, then rethrows the first
    // exception a task threw in it, if any.
    void wait();

private:
    void work(std::size_t helper);
    void waitForRoundEnd(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable roundStarted_, helperDone_;
    std::function<void(std::size_t)> task_;
    std::size_t count_ = 0;
    std::uint64_t round_ = 0;
    std::size_t finished_ = 0;
    bool running_ = false;
    bool stop_ = false;
    std::exception_ptr error_;
    std::vector<std::jthread> threads_;
};

}  // namespace corvane
