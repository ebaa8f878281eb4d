#pragma once
// The games-list server's client: HTTP GETs made by a worker thread of its own, each bounded by a
// short time-out, so the frame never waits for the network. A list fetch is handed back through
// takeFetched(), an announcement's answer through takeAnnounced(), each polled once per frame.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace pellam {

struct FetchedPage {
    bool ok = false;     // a 200 answer came back whole
    long status = 0;     // the answer's HTTP status; 0: none came
    std::string page;    // its text, when the status is 2xx
    std::string error;   // why not, when not
    std::string reason;  // the server's own words for another status: its text's first line,
                         // printable ASCII, at most kLongestReason bytes; empty when it gave none
};

inline constexpr size_t kLongestReason = 120;  // bytes

class GamesListClient {
public:
    // `timeoutMs` bounds each request, connection included.
    explicit GamesListClient(long timeoutMs = 3000);
    // Sends the announcements still waiting (an end report at quit), each within its time-out;
    // drops a waiting fetch.
    ~GamesListClient();
    GamesListClient(const GamesListClient&) = delete;
    GamesListClient& operator=(const GamesListClient&) = delete;

    void announce(const std::string& url);
    // An announcement of a game that has ended (port 0): its answer is not handed back, since the
    // game it would tell of is gone.
    void reportEnd(const std::string& url);
    // Asks for the page at `url`; a fetch asked for while another waits replaces it.
    void fetch(const std::string& url);
    // The page of the last finished fetch, once.
    std::optional<FetchedPage> takeFetched();
    // The answer to the last finished announcement (or end report), once.
    std::optional<FetchedPage> takeAnnounced();
    // A fetch is asked for or under way.
    bool fetching();

private:
    struct Job {
        std::string url;
        bool fetch = false;
        bool answerWanted = true;
    };
    void queueAnnouncement(Job job);
    void work();
    FetchedPage get(const std::string& url);

    long timeoutMs_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    std::optional<FetchedPage> fetched_, announced_;
    bool fetchUnderWay_ = false;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace pellam
