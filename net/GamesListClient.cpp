#include "net/GamesListClient.h"

#include <curl/curl.h>

#include <utility>

namespace pellam {
namespace {

constexpr size_t kLargestPage = 512 * 1024;  // bytes: 100 rows are some 40 KB
constexpr size_t kWaitingAnnouncements = 8;  // older ones are dropped: the next minute sends anew

size_t keep(char* data, size_t size, size_t count, void* user) {
    auto* page = static_cast<std::string*>(user);
    if (page->size() + size * count > kLargestPage) return 0;  // ends the transfer as an error
    page->append(data, size * count);
    return size * count;
}

// The first line of a refusal's text, as a person may be shown it: printable ASCII only, bounded.
std::string reasonIn(const std::string& text) {
    std::string reason;
    for (const char c : text.substr(0, text.find('\n'))) {
        if (reason.size() == kLongestReason) break;
        if (c >= ' ' && c <= '~') reason += c;
    }
    const size_t end = reason.find_last_not_of(' ');
    reason.erase(end == std::string::npos ? 0 : end + 1);
    return reason;
}

}  // namespace

GamesListClient::GamesListClient(long timeoutMs) : timeoutMs_(timeoutMs) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
    worker_ = std::thread([this] { work(); });
}

GamesListClient::~GamesListClient() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        std::erase_if(jobs_, [](const Job& job) { return job.fetch; });
    }
    wake_.notify_all();
    worker_.join();
}

void GamesListClient::announce(const std::string& url) { queueAnnouncement({url, false, true}); }

void GamesListClient::reportEnd(const std::string& url) { queueAnnouncement({url, false, false}); }

void GamesListClient::queueAnnouncement(Job job) {
    {
        std::lock_guard lock(mutex_);
        if (jobs_.size() >= kWaitingAnnouncements) jobs_.pop_front();
        jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void GamesListClient::fetch(const std::string& url) {
    {
        std::lock_guard lock(mutex_);
        std::erase_if(jobs_, [](const Job& job) { return job.fetch; });
        jobs_.push_back({url, true});
    }
    wake_.notify_all();
}

std::optional<FetchedPage> GamesListClient::takeFetched() {
    std::lock_guard lock(mutex_);
    return std::exchange(fetched_, std::nullopt);
}

std::optional<FetchedPage> GamesListClient::takeAnnounced() {
    std::lock_guard lock(mutex_);
    return std::exchange(announced_, std::nullopt);
}

bool GamesListClient::fetching() {
    std::lock_guard lock(mutex_);
    if (fetchUnderWay_) return true;
    for (const Job& job : jobs_)
        if (job.fetch) return true;
    return false;
}

void GamesListClient::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // stopping, nothing left to send
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        fetchUnderWay_ = job.fetch;
        lock.unlock();
        FetchedPage result = get(job.url);
        lock.lock();
        fetchUnderWay_ = false;
        if (job.fetch) {
            fetched_ = std::move(result);
        } else if (job.answerWanted) {
            announced_ = std::move(result);
        }
    }
}

FetchedPage GamesListClient::get(const std::string& url) {
    FetchedPage result;
    CURL* curl = curl_easy_init();
    if (!curl) {
        result.error = "no HTTP client";
        return result;
    }
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // The list gives each game the address its announcement came from, and joiners reach a host
    // over IPv4 alone: a list server known by both families is asked over IPv4.
    curl_easy_setopt(curl, CURLOPT_IPRESOLVE, CURL_IPRESOLVE_V4);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // time-outs without SIGALRM: this is not the main thread
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs_);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs_);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Pellam");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, keep);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &result.page);
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (code != CURLE_OK) {
        result.error = curl_easy_strerror(code);
        result.page.clear();
        return result;
    }
    result.status = status;
    result.ok = status == 200;
    if (!result.ok) result.error = "the server answered " + std::to_string(status);
    if (status < 200 || status > 299) {
        result.reason = reasonIn(result.page);
        result.page.clear();
    }
    return result;
}

}  // namespace pellam
