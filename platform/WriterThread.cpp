#include "platform/WriterThread.h"

#include <utility>

namespace pellam::platform {

WriterThread::~WriterThread() { flush(); }

void WriterThread::queue(const std::string& key, Job job) {
    std::thread finished;
    {
        std::lock_guard lock(mutex_);
        ++counters_.queued;
        bool replaced = false;
        for (Entry& waiting : jobs_)
            if (waiting.key == key) {
                waiting.job = std::move(job);
                ++counters_.replaced;
                replaced = true;
                break;
            }
        if (!replaced) jobs_.push_back({key, std::move(job)});
        if (running_) return;
        // The last thread said it was done under this lock; it only has to return now.
        finished = std::move(thread_);
        running_ = true;
        thread_ = std::thread([this] { run(); });
    }
    if (finished.joinable()) finished.join();
}

void WriterThread::run() {
    std::unique_lock lock(mutex_);
    while (!jobs_.empty()) {
        Entry entry = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        std::string why;
        try {
            why = entry.job();
        } catch (const std::exception& e) {
            why = e.what();
        }
        lock.lock();
        if (why.empty()) {
            ++counters_.written;
        } else {
            ++counters_.failed;
            failures_.push_back(std::move(why));
        }
        ran_.notify_all();
    }
    running_ = false;
    ran_.notify_all();
}

void WriterThread::flush() {
    std::thread finished;
    {
        std::unique_lock lock(mutex_);
        ran_.wait(lock, [this] { return !running_; });
        finished = std::move(thread_);
    }
    if (finished.joinable()) finished.join();
}

void WriterThread::waitUntilRan(uint64_t count) {
    std::unique_lock lock(mutex_);
    ran_.wait(lock, [&] { return counters_.written + counters_.failed >= count; });
}

WriterThread::Counters WriterThread::counters() const {
    std::lock_guard lock(mutex_);
    return counters_;
}

std::vector<std::string> WriterThread::takeFailures() {
    std::lock_guard lock(mutex_);
    return std::exchange(failures_, {});
}

}  // namespace pellam::platform
