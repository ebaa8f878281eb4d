#pragma once
// What stands between the listening socket and the request handlers. Each address, and each
// /24 (IPv4) or /48 (IPv6) network, may hold only a few connections at once, and a request's head
// must arrive whole within a bound from the accept. One thread gathers the heads of every waiting
// connection at once, woken by the kernel's event queue for the sockets that have something, so a
// client that trickles its request a byte at a time holds a file descriptor, never a worker. The
// requests served are bodiless GETs: a head that declares a body, or whose request line or head is
// over-long, is answered by that thread (413, 414, 431) and closed. The workers only ever see whole
// requests and never wait on a client: what of an answer the socket will not take at once, that
// same thread writes as the client reads, within a bound.
// The accepting thread only queues each socket for the gathering thread, and waits while that
// queue is full: what waits for the gate is bounded, in descriptors by the queue and beyond it by
// the kernel's listening queue, and in time by how fast the gathering thread admits.
// When the connections held reach their cap, a newcomer takes the place of a connection still
// waiting for its head, of the network holding the most, the one that has waited longest, while
// that network holds more than the newcomer's: so the networks present share the cap, many networks
// of idle connections cannot lock out another, and no answer is cut to make room. When the answers'
// bytes left to write reach their cap, an answer takes the place of the one written longest of the
// network holding the most. Either choice is one look in an ordered record, not a scan.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace pellam::games {

// What the limits count a peer as: an IPv4 address itself, an IPv6 one by its /64 prefix, the
// least one subscriber is given, so that a sender cannot take a fresh address for each connection.
std::string limitKey(const std::string& address);
// The network a sender's neighbouring addresses share: an IPv4 /24, an IPv6 /48.
std::string blockKey(const std::string& address);

struct GateLimits {
    int perAddress = 4;          // connections one address may hold at once
    int perBlock = 32;           // connections one /24 or /48 may hold
    int total = 900;             // connections held at once: with the door's, below the usual 1,024 descriptors
    int doorQueue = 64;          // accepted sockets waiting for the gate; past it, accepting waits
    double headSeconds = 2.0;    // from the accept until the request's head is whole
    double answerSeconds = 2.0;  // from then until the answer is written
    size_t lineBytes = 4096;     // a longer request line is answered 414 (the game's longest is ~3 KB)
    size_t headBytes = 8192;     // a longer head is answered 431
    // Answers' bytes the sockets have not taken, held for their readers at once: 256 list pages of
    // 256 KB, where 900 unread ones would take 230 MB.
    size_t answerBytes = size_t(64) << 20;
    int workers = 8;
    // Called once a request is served and its answer settled, with the bytes of it the gate now
    // holds for its reader (answerBytesHeld() counts them; 0: all sent, or given up for want of
    // room): for tests that wait until clients that do not read hold their answers.
    std::function<void(size_t held)> served;
};

class ConnectionGate {
public:
    using Clock = std::chrono::steady_clock;
    struct Network;
    struct Connection {
        int sock = -1;
        std::string address;   // dotted, of the peer
        std::string limitKey;  // what the per-address cap counts it as
        std::string blockKey;  // what the per-network cap counts it as
        int port = 0;
        std::string head;      // what was read: the head whole, perhaps more
        bool failed = false;   // the socket failed while the answer was being sent

        // Sends what the socket takes now and keeps the rest for the gate to write once the serving
        // returns, so that a worker never waits on a client. False once the socket has failed.
        bool send(std::string_view bytes);

        // The gate's own record, under its lock.
        enum class Stage { kHead, kRefused, kServing, kWriting };
        Stage stage = Stage::kHead;
        Network* network = nullptr;         // while counted in
        std::list<Connection*> Network::*queue = nullptr;  // the network's queue it stands in, if any
        std::list<Connection*>::iterator place;            // there
        uint64_t age = 0;                   // order of coming into that queue
        Clock::time_point since;            // accepted
        Clock::time_point deadline;         // for the head; then for the answer (or the drain after a refusal)
        size_t line = std::string::npos;    // the request line's length, once its end has come
        size_t drained = 0;                 // bytes read and dropped after the gate's own refusal was sent
        std::string unsent;                 // of the answer, what the socket has not taken yet
        size_t unsentAt = 0;                // bytes of `unsent` written since
        size_t heldBytes = 0;               // of `unsent`, counted against `answerBytes`
    };
    // One /24 or /48: the connections it holds, and in the order they came, those of them the gate
    // may close to make room (waiting for their heads; writing answers).
    struct Network {
        int held = 0;
        std::list<Connection*> waiting, writing;
    };
    using Serve = std::function<void(Connection&)>;

    ConnectionGate(GateLimits limits, Serve serve);
    ~ConnectionGate();
    ConnectionGate(const ConnectionGate&) = delete;
    ConnectionGate& operator=(const ConnectionGate&) = delete;

    // Takes an accepted socket, to be gathered and then served, or refused (a 429) when its address
    // or network holds too many. Any thread; it waits while `doorQueue` sockets wait for the gate.
    void admit(int sock);
    // Closes every connection and ends the threads; nothing is served after it returns.
    void stop();
    int refused() const;
    int evicted() const;             // connections closed to make room for others
    size_t answerBytesHeld() const;  // answers' bytes the gate holds for their readers
    // False when the gate could not be set up (its event queue or wake pipe): it serves nothing,
    // has no threads, and turns every connection away.
    bool ready() const { return wake_[0] >= 0; }
    int setupError() const { return setupError_; }  // errno of the failed set-up, else 0

private:
    enum class HeadRead { Waiting, Whole, Dropped, Refused };
    // The networks that hold connections of one queue (waiting or writing), the one holding the most
    // first, and among those holding as many the one whose oldest came first.
    using Rank = std::set<std::tuple<int, uint64_t, Network*>>;

    // ---- The gathering thread: its loop, and what it does with each connection it holds
    void gather();
    void admitAccepted(std::unique_ptr<Connection> c);
    void onEvent(Connection& c);
    // Takes a served connection whose answer the socket has not wholly taken, to write the rest as
    // the client reads, room made for its bytes; or gives it up when none can be.
    void holdAnswer(std::unique_ptr<Connection> c);
    void expire(Clock::time_point now);  // what is past its deadline
    int msUntilNextDeadline(Clock::time_point now) const;
    // Holds `c`, its deadline set, and watches its socket for `events`.
    void watch(std::unique_ptr<Connection> c, uint32_t events);
    void setDeadline(Connection& c, Clock::time_point deadline);
    void close(Connection& c);  // one held here: counted out, closed and freed
    // Reads what the socket holds now: the head whole, more to wait for, a connection to drop, or
    // one answered here with a refusal.
    HeadRead readHead(Connection& c);
    // Sends `answer`, stops writing, and keeps the connection a little to read what the client
    // still sends: closing with unread bytes would reset it and could lose the answer.
    void refuse(Connection& c, std::string_view answer);
    // Reads and drops what a refused client sends; true once it has closed or sent too much.
    bool drainDone(Connection& c);
    // Writes what the socket takes of an answer left to the gate; true once done or failed.
    bool writeDone(Connection& c);
    // Hands a whole head to the workers, with the answer's own deadline.
    void passOn(Connection& c);

    // ---- Counting, under the lock
    // The connection of `queue` to close to make room: the oldest of the network ranked first, when
    // that network holds more than `blockHeld`; else none. It is counted out already.
    Connection* makeRoom(const Rank& rank, std::list<Connection*> Network::*queue, int blockHeld);
    // Whether `c`'s address or network holds all its caps allow; `heldByBlock` takes its network's count.
    bool atItsCaps(const Connection& c, int* heldByBlock = nullptr) const;
    void countIn(Connection& c);
    void countOut(Connection& c);  // its counts, bytes and place in its network's queue; once
    void enqueue(Connection& c, std::list<Connection*> Network::*queue);
    void dequeue(Connection& c);
    // A network's places in the ranks: taken out before what orders it changes, put back after.
    void unrank(Network& n);
    void rerank(Network& n);

    // ---- The accepting thread and the workers
    void namePeer(Connection& c);  // its address and port, and what the caps count it as
    void work();
    void release(Connection& c);  // one a worker holds: counted out and closed
    void wakeGatherer();

    GateLimits limits_;
    Serve serve_;
    mutable std::mutex mutex_;
    std::condition_variable ready_, doorRoom_;
    std::unordered_map<std::string, int> addresses_;     // connections per address (or /64)
    std::unordered_map<std::string, Network> networks_;  // per /24 or /48, while it holds any
    Rank waitingRank_, writingRank_;
    uint64_t ages_ = 0;
    int open_ = 0;
    int refused_ = 0;
    int evicted_ = 0;
    size_t answerHeld_ = 0;  // bytes counted in by connections' `heldBytes`
    bool stopping_ = false;
    std::vector<std::unique_ptr<Connection>> door_;        // accepted, not yet seen by the gatherer
    std::vector<std::unique_ptr<Connection>> answers_;     // served, their answers left to the gatherer
    std::deque<std::unique_ptr<Connection>> whole_;        // heads complete, for the workers

    // The gathering thread's own: the connections it holds, and their deadlines in order.
    std::unordered_map<Connection*, std::unique_ptr<Connection>> gathered_;
    std::set<std::pair<Clock::time_point, Connection*>> deadlines_;

    int events_ = -1;                 // the kernel's event queue (epoll) of the gathered sockets
    int wake_[2] = {-1, -1};          // a pipe that wakes the gatherer
    int setupError_ = 0;
    std::thread gatherer_;
    std::vector<std::thread> workers_;
};

}  // namespace pellam::games
