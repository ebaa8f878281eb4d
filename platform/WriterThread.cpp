#include "platform/WriterThread.h"

#include <utility>

namespace pellam::platform {

WriterThread::~WriterThread() { flush(); }

void WriterThread::queue(const std::string& key, Job job) {
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
    if (running_) {
        wake_.notify_one();
        return;
    }
    // No thread, or one that has said it is done (flush() joins it): a new one.
    running_ = true;
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void WriterThread::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
        if (jobs_.empty()) break;
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
}

void WriterThread::flush() {
    std::thread ending;
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable()) return;
        stopping_ = true;
        wake_.notify_one();
        ending = std::move(thread_);
    }
    ending.join();  // it runs what is queued first
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
