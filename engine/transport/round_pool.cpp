#include "transport/round_pool.h"

#include <system_error>
#include <utility>

namespace corvane {

RoundPool::RoundPool(std::size_t helpers) {
    threads_.reserve(helpers);
    try {
        for (std::size_t h = 0; h < helpers; ++h) threads_.emplace_back([this, h] { work(h); });
    } catch (const std::system_error&) {
        // Fewer helpers than asked for; the caller shares its work among
        // those there are.
    }
}

RoundPool::~RoundPool() {
    {
        std::unique_lock lock(mutex_);
        waitForRoundEnd(lock);
        stop_ = true;
    }
    roundStarted_.notify_all();
    threads_.clear();  // joins
}

void RoundPool::start(std::function<void(std::size_t)> task, std::size_t count) {
    {
        const std::lock_guard lock(mutex_);
        task_ = std::move(task);
        count_ = count;
        finished_ = 0;
        error_ = nullptr;
        running_ = true;
        ++round_;
    }
    roundStarted_.notify_all();
}

void RoundPool::wait() {
    std::exception_ptr error;
    {
        std::unique_lock lock(mutex_);
        waitForRoundEnd(lock);
        error = std::exchange(error_, nullptr);
    }
    if (error) std::rethrow_exception(error);
}

void RoundPool::waitForRoundEnd(std::unique_lock<std::mutex>& lock) {
    helperDone_.wait(lock, [this] { return !running_ || finished_ == threads_.size(); });
    running_ = false;
}

void RoundPool::work(std::size_t helper) {
    std::uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        roundStarted_.wait(lock, [&] { return stop_ || round_ != seen; });
        if (stop_) return;
        seen = round_;
        if (helper < count_) {
            lock.unlock();
            std::exception_ptr error;
            try {
                task_(helper);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            if (error && !error_) error_ = error;
        }
        ++finished_;
        helperDone_.notify_one();
    }
}

}  // namespace corvane
