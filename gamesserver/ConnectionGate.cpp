#include "gamesserver/ConnectionGate.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace pellam::games {
namespace {

constexpr char kTooMany[] = "HTTP/1.1 429 Too Many Requests\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";

std::chrono::steady_clock::duration seconds(double s) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(s));
}

constexpr std::string_view kHeadEnd = "\r\n\r\n";

}  // namespace

std::string limitKey(const std::string& address) {
    in6_addr six{};
    if (::inet_pton(AF_INET6, address.c_str(), &six) != 1) return address;
    std::memset(&six.s6_addr[8], 0, 8);
    char text[INET6_ADDRSTRLEN] = "";
    ::inet_ntop(AF_INET6, &six, text, sizeof text);
    return std::string(text) + "/64";
}

ConnectionGate::ConnectionGate(GateLimits limits, Serve serve) : limits_(limits), serve_(std::move(serve)) {
    if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
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
    {
        std::lock_guard lock(mutex_);
        int& held = held_[c->limitKey];
        if (stopping_ || open_ >= limits_.total || held >= limits_.perAddress) {
            if (held == 0) held_.erase(c->limitKey);
            ++refused_;
            if (!stopping_) ::send(sock, kTooMany, sizeof kTooMany - 1, MSG_DONTWAIT | MSG_NOSIGNAL);
            ::close(sock);
            return;
        }
        ++held;
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
        const auto it = held_.find(c.limitKey);
        if (it != held_.end() && --it->second <= 0) held_.erase(it);
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
            // The head read so far has no end, so the end can only stand among the bytes just read
            // and the three before them: a head trickled a byte at a time is searched once over,
            // not once per byte by the one thread every connection waits on.
            const size_t from = c.head.size() < kHeadEnd.size() ? 0 : c.head.size() - (kHeadEnd.size() - 1);
            c.head.append(buffer, size_t(got));
            if (c.head.size() > limits_.headBytes) return HeadRead::Dropped;
            if (c.head.find(kHeadEnd, from) != std::string::npos) return HeadRead::Whole;
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return HeadRead::Waiting;
        if (got < 0 && errno == EINTR) continue;
        return HeadRead::Dropped;  // closed or failed before the head was whole
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
                const HeadRead read = readHead(*c);
                if (read == HeadRead::Whole) {
                    passOn(c);
                } else {
                    release(*c);  // too slow: the bound is on the whole head, not on each read
                    c.reset();
                }
                continue;
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
    [[maybe_unused]] const ssize_t woke = ::write(wake_[1], &byte, 1);
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
