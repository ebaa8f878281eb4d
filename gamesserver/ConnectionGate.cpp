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
        int& held = held_[c->limitKey];
        int& heldByBlock = held_[c->blockKey];
        if (stopping_ || !ready() || open_ >= limits_.total || held >= limits_.perAddress ||
            heldByBlock >= limits_.perBlock) {
            if (held == 0) held_.erase(c->limitKey);
            if (heldByBlock == 0) held_.erase(c->blockKey);
            ++refused_;
            if (!stopping_) ::send(sock, kTooMany, sizeof kTooMany - 1, MSG_DONTWAIT | MSG_NOSIGNAL);
            ::close(sock);
            return;
        }
        ++held;
        ++heldByBlock;
        ++open_;
        ::fcntl(sock, F_SETFL, ::fcntl(sock, F_GETFL) | O_NONBLOCK);
        c->deadline = Clock::now() + seconds(limits_.headSeconds);
        incoming_.push_back(std::move(c));
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t woke = ::write(wake_[1], &byte, 1);  // a full pipe wakes it as well
}

void ConnectionGate::release(Connection& c) {
    {
        // Counted out before the close, so that a peer that sees the close may come again.
        std::lock_guard lock(mutex_);
        for (const std::string* key : {&c.limitKey, &c.blockKey}) {
            const auto it = held_.find(*key);
            if (it != held_.end() && --it->second <= 0) held_.erase(it);
        }
        --open_;
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

void ConnectionGate::passOn(std::unique_ptr<Connection>& c) {
    c->deadline = Clock::now() + seconds(limits_.answerSeconds);
    {
        std::lock_guard lock(mutex_);
        whole_.push_back(std::move(c));
    }
    ready_.notify_one();
}

void ConnectionGate::gather() {
    std::vector<std::unique_ptr<Connection>> waiting;
    std::vector<pollfd> fds;
    char buffer[2048];
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) break;
            for (auto& c : incoming_) waiting.push_back(std::move(c));
            incoming_.clear();
        }
        const Clock::time_point now = Clock::now();
        int timeout = -1;  // ms; none while nothing waits
        for (auto& c : waiting) {
            if (c->deadline <= now) {
                // What arrived while this thread was kept from running still counts: a busy machine
                // must not turn away a client that sent its head in time.
                const HeadRead read = c->refused ? HeadRead::Dropped : readHead(*c);
                if (read == HeadRead::Whole) {
                    passOn(c);
                    continue;
                }
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
        for (auto& c : waiting) fds.push_back(pollfd{c->sock, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR) continue;
            // Out of memory or over the descriptor limit: the heads waiting now are given up, so
            // that the gate goes on serving those that come after.
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
            if (waiting[k]->refused) {
                if (drainDone(*waiting[k])) {
                    release(*waiting[k]);
                    waiting[k].reset();
                }
                continue;
            }
            const HeadRead read = readHead(*waiting[k]);
            if (read == HeadRead::Dropped) {
                release(*waiting[k]);
                waiting[k].reset();
            } else if (read == HeadRead::Whole) {
                passOn(waiting[k]);
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
        release(*c);
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
