// Announcements from anyone on the internet, through the games-list server to the game's join
// window. The bytes make a few requests, each from an address the connection gate could report;
// the HTTP library parses each (its query decoding included) and hands the handler's steps
// (readAnnouncement, then the store) what it would, with the clock moving between them. After
// each, the list page the server renders goes through the game's own parser:
//   - every listed game comes back as one row, in the listed order, and no more rows or markers;
//   - each row is the game as announced: address, port, the players or the four team counts, and
//     the name and title as the join window shows them (the title's "<br>" a line break);
//   - an announcement refused (by the library, the reader or the store) leaves the list as it was;
//     a listing changes only its own game, an end report only its own.
#include <cstdio>
#include <cstdlib>
#include <httplib.h>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/FuzzedInput.h"
#include "gamesserver/GamesServer.h"
#include "net/PublicGames.h"
#include "platform/Utf8.h"

namespace {

using pellam::fuzz::FuzzedInput;
using pellam::games::Game;
using pellam::games::GamesStore;
using pellam::games::Refusal;
using pellam::games::Stored;

// A broken invariant ends the run, naming itself (and, under PELLAM_FUZZ_TRACE, the requests).
[[noreturn]] void broken(int line, const char* what) {
    std::fprintf(stderr, "games_server_fuzz.cpp:%d: %s\n", line, what);
    std::abort();
}
#define check(holds) ((holds) ? void() : broken(__LINE__, #holds))
const bool kTrace = std::getenv("PELLAM_FUZZ_TRACE") != nullptr;
// In the order of `Stored`.
constexpr const char* kOutcomes[] = {"listed", "listed in turns", "not shown", "listed, place unknown", "ended",
                                     "too many from the address", "full", "not stored", "none of that name",
                                     "several of that name", "too many from the network"};
static_assert(std::size(kOutcomes) == static_cast<size_t>(Stored::kTooManyFromNetwork) + 1);

// Peers as the gate names them (IPv4, IPv6, none when it could not ask), and as it named an IPv4
// peer of a listener on both families before it gave such peers their IPv4 address.
constexpr const char* kAddresses[] = {"10.0.0.1", "10.0.0.2", "192.168.1.20", "::ffff:10.0.0.3", "2001:db8::7", ""};

// A request held in memory as a connection the library reads from.
class HeldRequest final : public httplib::Stream {
public:
    HeldRequest(std::string text, std::string address) : text_(std::move(text)), address_(std::move(address)) {}
    bool is_readable() const override { return at_ < text_.size(); }
    bool is_writable() const override { return true; }
    ssize_t read(char* ptr, size_t size) override {
        const size_t n = std::min(size, text_.size() - at_);
        std::copy_n(text_.data() + at_, n, ptr);
        at_ += n;
        return ssize_t(n);
    }
    ssize_t write(const char*, size_t size) override { return ssize_t(size); }
    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        ip = address_;
        port = 40000;
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        ip.clear();
        port = 0;
    }
    socket_t socket() const override { return INVALID_SOCKET; }

private:
    std::string text_, address_;
    size_t at_ = 0;
};

// The library's request handling with the server's announcement route: what the handler reads.
class Library : public httplib::Server {
public:
    Library() {
        Get("/hostgameruzk.php", [this](const httplib::Request& req, httplib::Response&) {
            auto param = [&req](const char* key) -> const std::string* {
                const auto it = req.params.find(key);
                return it == req.params.end() ? nullptr : &it->second;
            };
            check(req.remote_addr == address_);
            read_ = pellam::games::readAnnouncement(req.remote_addr, param, limits_);
        });
    }
    // The announcement the handler reads from `query` sent from `address`; nothing when the
    // library refuses the request before the handler.
    std::optional<pellam::games::Announcement> announce(const std::string& query, const std::string& address) {
        address_ = address;
        read_.reset();
        HeldRequest request("GET /hostgameruzk.php?" + query + " HTTP/1.1\r\nHost: games\r\n\r\n", address);
        bool closed = false;
        process_request(request, true, closed, [](httplib::Request&) {});
        return std::move(read_);
    }

private:
    pellam::games::Limits limits_;
    std::string address_;
    std::optional<pellam::games::Announcement> read_;
};

// A value as the game sends it (every byte but A-Z a-z 0-9 - . _ ~ escaped), or raw query bytes.
std::string value(FuzzedInput& in, const std::string& typical) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return pellam::escapeQueryValue(typical);
    case 1: return pellam::escapeQueryValue(in.ConsumeRandomLengthString(64));
    case 2: return in.ConsumeRandomLengthString(64);
    default: return typical;
    }
}

// Names that players behind one address may share.
constexpr const char* kNames[] = {"Ann", "Pilot", "<b>Eve</b>"};

std::string query(FuzzedInput& in) {
    const int ports[] = {0, 5000, 5001, 12301, 65535};
    int counts[4];  // read in order: the seeds rely on it
    for (int& n : counts) n = in.ConsumeIntegralInRange(-1, 9);
    char teams[64];
    std::snprintf(teams, sizeof teams, "R=%d Blu=%d Y=%d Blk=%d", counts[0], counts[1], counts[2], counts[3]);
    const std::pair<const char*, std::string> fields[] = {
        {"host", in.ConsumeBool() ? std::string(in.PickValueInArray(kNames)) : in.ConsumeRandomLengthString(40)},
        {"port", std::to_string(in.PickValueInArray(ports))},
        {"players", std::to_string(in.ConsumeIntegralInRange(0, 9))},
        {"title", in.ConsumeRandomLengthString(400)},
        {"teams", teams},
        {"ip", "10.9.9.9"},
    };
    std::string q;
    for (const auto& [key, typical] : fields) {
        const uint8_t how = in.ConsumeIntegral<uint8_t>();
        if ((how & 7) == 7) continue;  // missing
        if (!q.empty()) q += '&';
        q += key;
        if ((how & 7) != 1) q.append("=").append(value(in, typical));  // else the key alone
        if ((how & 0x30) == 0x30) q.append("&").append(in.ConsumeRandomLengthString(16));  // a stray part of any kind
    }
    return q;
}

bool sameGame(const Game& a, const Game& b) {
    return a.host == b.host && a.port == b.port && a.name == b.name && a.title == b.title && a.players == b.players &&
           a.teams == b.teams;
}

bool sameList(const std::vector<Game>& a, const std::vector<Game>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), sameGame);
}

std::vector<Game> without(std::vector<Game> games, auto&& drop) {
    std::erase_if(games, drop);
    return games;
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The title as the join window shows it: each "<br>" the game sent for a line break, one.
std::string shownTitle(const std::string& title) {
    std::string out;
    for (size_t at = 0;;) {
        const size_t br = title.find("<br>", at);
        out += title.substr(at, br == std::string::npos ? std::string::npos : br - at);
        if (br == std::string::npos) break;
        out += '\n';
        at = br + 4;
    }
    return pellam::platform::repairedUtf8(out);
}

// The page of `listed` through the game's parser: the same games, in order, and nothing more.
void roundTrip(const std::vector<Game>& listed) {
    const std::string page = pellam::games::renderPage(listed);
    static pellam::PublicGamesList rows;
    const int n = pellam::parseGamesPage(page, rows);
    if (kTrace) std::fprintf(stderr, "%s", page.c_str());
    check(n == int(listed.size()));
    check(count(page, "<!-- ") == listed.size());
    for (const char* marker : {"<!--HN-->", "<!--HM-->", "</UL>", "<!--IP-->", "<!--PO-->"})
        check(count(page, marker) == listed.size());
    check(count(page, "<!--TD-->") + count(page, "<!--NP-->") == listed.size());
    check(listed.empty() == (page.find("No games currently") != std::string::npos));
    for (size_t i = 0; i < listed.size(); ++i) {
        const Game& g = listed[i];
        const pellam::PublicGames& row = rows[i];
        check(row.theIP == g.host && pellam::pageTextForDisplay(row.theIP) == g.host);
        check(row.Port == uint32_t(g.port) && row.thePort == std::to_string(g.port));
        if (g.teams) {
            const auto& t = *g.teams;
            check(row.NumberPlayers == "Red:" + std::to_string(t[0]) + "\rBlue:" + std::to_string(t[1]) +
                                           "\rYellow:" + std::to_string(t[2]) + "\rBlack:" + std::to_string(t[3]));
        } else {
            check(row.NumberPlayers == std::to_string(g.players));
        }
        check(pellam::pageTextForDisplay(row.HostName) == pellam::platform::repairedUtf8(g.name));
        check(pellam::pageTextForDisplay(row.HostMessage) == shownTitle(g.title));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Library library;
    FuzzedInput in(data, size);
    GamesStore store(":memory:");
    check(store.ok());
    int64_t now = 1'000'000;
    const int requests = in.ConsumeIntegralInRange(1, 8);
    for (int k = 0; k < requests && in.remaining_bytes() > 0; ++k) {
        if (in.ConsumeBool()) now += in.ConsumeIntegralInRange(0, 240);  // games expire after 180 s
        const std::string address = in.PickValueInArray(kAddresses);
        const auto before = store.list(now);
        const std::string q = query(in);
        const auto read = library.announce(q, address);
        const Game* g = read ? std::get_if<Game>(&*read) : nullptr;
        const Stored stored = !g ? Stored::kFailed : g->port == 0 ? store.end(g->host, g->name, now) : store.announce(*g, now);
        const auto after = store.list(now);
        if (kTrace)
            std::fprintf(stderr, "from '%s' at %lld: %s -> %s\n", address.c_str(), static_cast<long long>(now), q.c_str(),
                         !read ? "refused by the library" : !g ? std::get<Refusal>(*read).reason.c_str()
                                                            : kOutcomes[static_cast<int>(stored)]);
        if (g && stored == Stored::kListed) {
            check(g->host == address && g->port >= 1 && g->port <= 65535 && g->players >= 1 && g->players <= 8);
            const auto same = [g](const Game& x) { return x.host == g->host && x.port == g->port; };
            check(std::count_if(after.begin(), after.end(), same) == 1);
            check(sameGame(*std::find_if(after.begin(), after.end(), same), *g));
            check(sameList(without(after, same), without(before, same)));
        } else if (g && g->port == 0 && stored != Stored::kFailed) {
            // The game of that name from that address goes, unless the address lists none or several,
            // and the answer says which.
            const auto same = [g](const Game& x) { return x.host == g->host && x.name == g->name; };
            const auto listedBefore = std::count_if(before.begin(), before.end(), same);
            check(stored == (listedBefore == 1   ? Stored::kEnded
                             : listedBefore == 0 ? Stored::kNotListed
                                                 : Stored::kSeveralOfName));
            check(sameList(after, listedBefore == 1 ? without(before, same) : before));
        } else {
            check(sameList(after, before));
        }
        roundTrip(after);
    }
    return 0;
}
