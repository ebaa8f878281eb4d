#include "gamesserver/ConnectionGate.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace pellam::games {
namespace {

constexpr char kTooMany[] = "HTTP/1.1 429 Too Many Requests\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr std::string_view kHasBody = "HTTP/1.1 413 Content Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr std::string_view kLongLine = "HTTP/1.1 414 URI Too Long\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr std::string_view kLongHead =
    "HTTP/1.1 431 Request Header Fields Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr size_t kDrainBytes = 65536;  // what a refused client may still send before it is cut off
constexpr double kDrainSeconds = 1.0;

std::chrono::steady_clock::duration seconds(double s) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(s));
}

constexpr std::string_view kHeadEnd = "\r\n\r\n";

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// Sends what the socket takes now of `bytes`, taking it off their front; false once the socket
// has failed (what it did not take is then never sent).
bool sendWhatFits(int sock, std::string_view& bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(sock, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes.remove_prefix(size_t(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        return sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

// Whether a whole head declares a body: any Transfer-Encoding, or a Content-Length other than 0.
// The server answers bodiless GETs only, and a body would be read on a worker.
bool declaresBody(std::string_view head) {
    for (size_t at = head.find('\n'); at != std::string_view::npos && at + 1 < head.size();) {
        const size_t next = head.find('\n', at + 1);
        const std::string_view line = head.substr(at + 1, next == std::string_view::npos ? next : next - at - 1);
        at = next;
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = trimmed(line.substr(0, colon));
        const std::string_view value = trimmed(line.substr(colon + 1));
        if (sameName(name, "transfer-encoding")) return true;
        if (sameName(name, "content-length") && (value.empty() || value.find_first_not_of('0') != value.npos))
            return true;
    }
    return false;
}

}  // namespace

std::string limitKey(const std::string& address) {
    in6_addr six{};
    if (::inet_pton(AF_INET6, address.c_str(), &six) != 1) return address;
    std::memset(&six.s6_addr[8], 0, 8);
    char text[INET6_ADDRSTRLEN] = "";
    ::inet_ntop(AF_INET6, &six, text, sizeof text);
    return std::string(text) + "/64";
}

std::string blockKey(const std::string& address) {
    char text[INET6_ADDRSTRLEN] = "";
    in_addr four{};
    in6_addr six{};
    if (::inet_pton(AF_INET, address.c_str(), &four) == 1) {
        four.s_addr &= htonl(0xFFFFFF00u);
        ::inet_ntop(AF_INET, &four, text, sizeof text);
        return std::string(text) + "/24";
    }
    if (::inet_pton(AF_INET6, address.c_str(), &six) == 1) {
        std::memset(&six.s6_addr[6], 0, 10);
        ::inet_ntop(AF_INET6, &six, text, sizeof text);
        return std::string(text) + "/48";
    }
    return address + "/?";
}

ConnectionGate::ConnectionGate(GateLimits limits, Serve serve) : limits_(limits), serve_(std::move(serve)) {
    if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) {
        setupError_ = errno;
        wake_[0] = wake_[1] = -1;
        return;  // no threads: there is nothing to wake them, or to stop them, with
    }
    gatherer_ = std::thread([this] { gather(); });
    for (int k = 0; k < std::max(1, limits_.workers); ++k) workers_.emplace_back([this] { work(); });
}

ConnectionGate::~ConnectionGate() {
    stop();
    for (int fd : wake_)
        if (fd >= 0) ::close(fd);
}

int ConnectionGate::refused() const {
    std::lock_guard lock(mutex_);
    return refused_;
}

int ConnectionGate::evicted() const {
    std::lock_guard lock(mutex_);
    return evicted_;
}

bool ConnectionGate::Connection::send(std::string_view bytes) {
    if (failed) return false;
    if (unsentAt == unsent.size()) {  // nothing waits before these bytes: straight to the socket
        unsent.clear();
        unsentAt = 0;
        if (!sendWhatFits(sock, bytes)) {
            failed = true;
            return false;
        }
    }
    unsent.append(bytes);
    return true;
}

void ConnectionGate::admit(int sock) {
    auto c = std::make_unique<Connection>();
    c->sock = sock;
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    char text[INET6_ADDRSTRLEN] = "";
    if (::getpeername(sock, reinterpret_cast<sockaddr*>(&peer), &size) == 0) {
        if (peer.ss_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(&peer);
            ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
            c->port = ntohs(in->sin_port);
        } else if (peer.ss_family == AF_INET6) {
            const auto* in = reinterpret_cast<const sockaddr_in6*>(&peer);
            // An IPv4 peer of a listener on both families is named as an IPv4 listener names it:
            // one address to the limits, and one the games list can give the game.
            if (IN6_IS_ADDR_V4MAPPED(&in->sin6_addr))
                ::inet_ntop(AF_INET, &in->sin6_addr.s6_addr[12], text, sizeof text);
            else
                ::inet_ntop(AF_INET6, &in->sin6_addr, text, sizeof text);
            c->port = ntohs(in->sin6_port);
        }
    }
    c->address = text;
    c->limitKey = limitKey(c->address);
    c->blockKey = blockKey(c->address);
    {
        std::lock_guard lock(mutex_);
        // Room is made only for a connection its own caps let in.
        const int heldByBlock = heldBy(c->blockKey);
        const bool admitted = !stopping_ && ready() && heldBy(c->limitKey) < limits_.perAddress &&
                              heldByBlock < limits_.perBlock &&
                              (open_ < limits_.total || makeRoom(heldByBlock, false));
        if (!admitted) {
            ++refused_;
            if (!stopping_) ::send(sock, kTooMany, sizeof kTooMany - 1, MSG_DONTWAIT | MSG_NOSIGNAL);
            ::close(sock);
            return;
        }
        ++held_[c->limitKey];
        ++held_[c->blockKey];
        ++open_;
        ::fcntl(sock, F_SETFL, ::fcntl(sock, F_GETFL) | O_NONBLOCK);
        c->since = Clock::now();
        c->deadline = c->since + seconds(limits_.headSeconds);
        c->evictable = true;
        evictable_.push_back(c.get());
        incoming_.push_back(std::move(c));
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t woke = ::write(wake_[1], &byte, 1);  // a full pipe wakes it as well
}

int ConnectionGate::heldBy(const std::string& key) const {
    const auto it = held_.find(key);
    return it == held_.end() ? 0 : it->second;
}

void ConnectionGate::countOut(Connection& c) {
    for (const std::string* key : {&c.limitKey, &c.blockKey}) {
        const auto it = held_.find(*key);
        if (it != held_.end() && --it->second <= 0) held_.erase(it);
    }
    --open_;
    answerHeld_ -= c.heldBytes;
    c.heldBytes = 0;
    if (c.evictable) {
        std::erase(evictable_, &c);
        c.evictable = false;
    }
}

bool ConnectionGate::makeRoom(int blockHeld, bool writersOnly) {
    Connection* victim = nullptr;
    int most = blockHeld;
    for (Connection* c : evictable_) {
        if (writersOnly && !c->writing) continue;
        const int n = heldBy(c->blockKey);
        if (n > most || (victim && n == most && c->since < victim->since)) {
            most = n;
            victim = c;
        }
    }
    if (!victim) return false;
    // The gatherer that holds it closes it when next it looks; it is no longer counted from now.
    countOut(*victim);
    victim->evicted = true;
    ++evicted_;
    return true;
}

void ConnectionGate::release(Connection& c) {
    {
        // Counted out before the close, so that a peer that sees the close may come again.
        std::lock_guard lock(mutex_);
        if (!c.evicted) countOut(c);
    }
    if (c.sock >= 0) ::close(c.sock);
    c.sock = -1;
}

ConnectionGate::HeadRead ConnectionGate::readHead(Connection& c) {
    char buffer[2048];
    for (;;) {
        const ssize_t got = ::recv(c.sock, buffer, sizeof buffer, 0);
        if (got > 0) {
            // What was read before holds no end, so an end can only stand among the bytes just read
            // and the few before them: a head trickled a byte at a time is searched once over, not
            // once per byte by the one thread every connection waits on.
            const size_t from = c.head.size() < kHeadEnd.size() ? 0 : c.head.size() - (kHeadEnd.size() - 1);
            const size_t lineFrom = c.head.empty() ? 0 : c.head.size() - 1;
            c.head.append(buffer, size_t(got));
            if (c.line == std::string::npos) c.line = c.head.find("\r\n", lineFrom);
            if ((c.line == std::string::npos ? c.head.size() : c.line) > limits_.lineBytes) {
                refuse(c, kLongLine);
                return HeadRead::Refused;
            }
            const size_t end = c.head.find(kHeadEnd, from);
            if (end == std::string::npos ? c.head.size() > limits_.headBytes : end + kHeadEnd.size() > limits_.headBytes) {
                refuse(c, kLongHead);
                return HeadRead::Refused;
            }
            if (end == std::string::npos) continue;
            if (declaresBody(std::string_view(c.head).substr(0, end + kHeadEnd.size()))) {
                refuse(c, kHasBody);
                return HeadRead::Refused;
            }
            return HeadRead::Whole;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return HeadRead::Waiting;
        if (got < 0 && errno == EINTR) continue;
        return HeadRead::Dropped;  // closed or failed before the head was whole
    }
}

void ConnectionGate::refuse(Connection& c, std::string_view answer) {
    ::send(c.sock, answer.data(), answer.size(), MSG_DONTWAIT | MSG_NOSIGNAL);  // far below a socket's buffer
    ::shutdown(c.sock, SHUT_WR);
    c.refused = true;
    c.deadline = Clock::now() + seconds(kDrainSeconds);
    std::string().swap(c.head);
}

bool ConnectionGate::drainDone(Connection& c) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::recv(c.sock, buffer, sizeof buffer, 0);
        if (got > 0) {
            c.drained += size_t(got);
            if (c.drained > kDrainBytes) return true;
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        return !(got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
    }
}

bool ConnectionGate::passOn(std::unique_ptr<Connection>& c) {
    {
        std::lock_guard lock(mutex_);
        if (c->evicted) return false;
        std::erase(evictable_, c.get());
        c->evictable = false;
        c->deadline = Clock::now() + seconds(limits_.answerSeconds);
        whole_.push_back(std::move(c));
    }
    ready_.notify_one();
    return true;
}

void ConnectionGate::leaveAnswer(std::unique_ptr<Connection>& c) {
    const size_t bytes = c->unsent.size() - c->unsentAt;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        // Room for its bytes is made among the answers of networks holding at least as many
        // connections as its own (itself among them), its own network's older answers too.
        const int othersOfBlock = heldBy(c->blockKey) - 1;
        while (answerHeld_ + bytes > limits_.answerBytes && makeRoom(othersOfBlock, true)) {}
        if (answerHeld_ + bytes > limits_.answerBytes) return;  // cut short by the caller's close
        answerHeld_ += bytes;
        c->heldBytes = bytes;
        c->writing = true;
        c->evictable = true;
        evictable_.push_back(c.get());
        incoming_.push_back(std::move(c));
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t woke = ::write(wake_[1], &byte, 1);
}

bool ConnectionGate::writeDone(Connection& c) {
    std::string_view rest = std::string_view(c.unsent).substr(c.unsentAt);
    const bool alive = sendWhatFits(c.sock, rest);
    c.unsentAt = c.unsent.size() - rest.size();
    return !alive || rest.empty();
}

void ConnectionGate::gather() {
    std::vector<std::unique_ptr<Connection>> waiting, evicted;
    std::vector<pollfd> fds;
    char buffer[2048];
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) break;
            for (auto& c : incoming_) waiting.push_back(std::move(c));
            incoming_.clear();
            for (auto& c : waiting)
                if (c->evicted) evicted.push_back(std::move(c));
        }
        std::erase(waiting, nullptr);
        for (auto& c : evicted) release(*c);
        evicted.clear();
        const Clock::time_point now = Clock::now();
        int timeout = -1;  // ms; none while nothing waits
        for (auto& c : waiting) {
            if (c->deadline <= now) {
                // What arrived while this thread was kept from running still counts: a busy machine
                // must not turn away a client that sent its head in time. An answer not read by now
                // is given up.
                const HeadRead read = c->refused || c->writing ? HeadRead::Dropped : readHead(*c);
                if (read == HeadRead::Whole && passOn(c)) continue;
                if (read != HeadRead::Refused) {
                    release(*c);  // too slow: the bound is on the whole head, not on each read
                    c.reset();
                    continue;
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(c->deadline - now).count() + 1;
            timeout = timeout < 0 ? int(left) : std::min(timeout, int(left));
        }
        std::erase(waiting, nullptr);

        fds.assign(1, pollfd{wake_[0], POLLIN, 0});
        for (auto& c : waiting) fds.push_back(pollfd{c->sock, short(c->writing ? POLLOUT : POLLIN), 0});
        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR) continue;
            // Out of memory or over the descriptor limit: the connections waiting now are given up,
            // so that the gate goes on serving those that come after.
            std::fprintf(stderr, "pellam-games-server: waiting for requests failed (%s); %zu dropped\n",
                         std::strerror(errno), waiting.size());
            for (auto& c : waiting) release(*c);
            waiting.clear();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));  // not a loop that only fails
            continue;
        }
        if (fds[0].revents) while (::read(wake_[0], buffer, sizeof buffer) > 0) {}

        for (size_t k = 0; k < waiting.size(); ++k) {
            if (fds[k + 1].revents == 0) continue;
            Connection& c = *waiting[k];
            const HeadRead read = c.writing ? (writeDone(c) ? HeadRead::Dropped : HeadRead::Waiting)
                                  : c.refused ? (drainDone(c) ? HeadRead::Dropped : HeadRead::Refused)
                                              : readHead(c);
            if (read == HeadRead::Dropped || (read == HeadRead::Whole && !passOn(waiting[k]))) {
                release(c);
                waiting[k].reset();
            }
        }
        std::erase(waiting, nullptr);
    }
    for (auto& c : waiting) release(*c);
}

void ConnectionGate::work() {
    for (;;) {
        std::unique_ptr<Connection> c;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || !whole_.empty(); });
            if (stopping_) return;
            c = std::move(whole_.front());
            whole_.pop_front();
        }
        serve_(*c);
        const size_t unsent = c->failed ? 0 : c->unsent.size() - c->unsentAt;
        if (limits_.served) limits_.served(unsent);
        if (unsent > 0) leaveAnswer(c);
        if (c) release(*c);
    }
}

void ConnectionGate::stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && !gatherer_.joinable()) return;
        stopping_ = true;
    }
    ready_.notify_all();
    const char byte = 1;
    if (wake_[1] >= 0) {
        [[maybe_unused]] const ssize_t woke = ::write(wake_[1], &byte, 1);
    }
    if (gatherer_.joinable()) gatherer_.join();
    for (std::thread& t : workers_)
        if (t.joinable()) t.join();
    workers_.clear();
    std::vector<std::unique_ptr<Connection>> left;
    {
        std::lock_guard lock(mutex_);
        for (auto& c : incoming_) left.push_back(std::move(c));
        for (auto& c : whole_) left.push_back(std::move(c));
        incoming_.clear();
        whole_.clear();
    }
    for (auto& c : left) release(*c);
}

}  // namespace pellam::games
