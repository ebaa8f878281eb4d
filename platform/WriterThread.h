#pragma once
// File work taken off the frame thread: jobs run one at a time, in the order queued, on a thread
// started by the first job and kept until flush() (so a process that never writes has no thread,
// one that forks after flush() forks no half-owned thread, and queueing never waits on a thread's
// end). A job queued under a key whose earlier job is still waiting replaces that job: the latest
// snapshot wins and a burst of saves costs one write. What went wrong comes back as text for the
// frame thread to tell the player. One owner queues and flushes.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pellam::platform {

class WriterThread {
public:
    // Runs on the writer thread; answers empty when done, else what the player must be told.
    using Job = std::function<std::string()>;

    struct Counters {
        uint64_t queued = 0;    // jobs handed in
        uint64_t replaced = 0;  // jobs dropped for a later one under the same key before they ran
        uint64_t written = 0;   // jobs that ran and answered empty
        uint64_t failed = 0;    // jobs that ran and answered a reason
    };

    WriterThread() = default;
    // Runs every job still queued first: nothing handed in is dropped at the end.
    ~WriterThread();
    WriterThread(const WriterThread&) = delete;
    WriterThread& operator=(const WriterThread&) = delete;

    void queue(const std::string& key, Job job);
    // Returns once every job queued before it has run and the thread has ended.
    void flush();
    // Returns once written + failed reaches `count` (a test's "it has landed").
    void waitUntilRan(uint64_t count);
    Counters counters() const;
    // The failures' texts since the last call, oldest first.
    std::vector<std::string> takeFailures();

private:
    struct Entry {
        std::string key;
        Job job;
    };
    void run();

    mutable std::mutex mutex_;
    std::condition_variable wake_;  // a job queued, or the thread asked to end
    std::condition_variable ran_;   // a job ran
    std::deque<Entry> jobs_;
    bool running_ = false;   // the thread is taking jobs; once false it ends without touching state
    bool stopping_ = false;  // the thread ends once the queue is empty
    Counters counters_;
    std::vector<std::string> failures_;
    std::thread thread_;
};

}  // namespace pellam::platform
