// The games-list server on 127.0.0.1 with a clock of the test's: what it lists, what it refuses,
// and that no stored text can make a row or a marker of its own.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <map>
#include <httplib.h>

#include "gamesserver/ConnectionGate.h"
#include "tests/gamesserver/LoopbackServer.h"

namespace pellam::games {
namespace {

class GamesServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        db_ = std::filesystem::temp_directory_path() / ("pellam-games-" + std::to_string(getpid()) + ".sqlite");
        std::filesystem::remove(db_);
        ServerOptions options;
        options.dbPath = db_.string();
        options.burst = 40;
        options.perSecond = 0.001;  // the test's requests come from one address, all at once
        options.clock = [this] { return clock_.load(); };
        options.gate.perAddress = 3;
        // A client's requests one after another: it reads an answer whole and asks again before the
        // worker that wrote it has counted the connection out. Fewer workers than the cap bounds
        // those left over, so the cap never refuses a request made after the last one's answer.
        options.gate.workers = 2;
        // Only a hang outlasts it: connections held on purpose must not be cut off under the
        // test's feet while a loaded machine runs it slowly.
        options.gate.headSeconds = 600;
        server_ = std::make_unique<LoopbackServer>(options);
        client_ = std::make_unique<httplib::Client>("127.0.0.1", server_->server->port());
    }
    void TearDown() override {
        server_.reset();
        for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(db_.string() + tail);
    }
    int get(const std::string& path) {
        const auto r = client_->Get(path.c_str());
        return r ? r->status : -1;
    }
    std::string page() {
        const auto r = client_->Get("/vantorgames.php?doall=ruzkiph");
        return r ? r->body : std::string();
    }

    std::filesystem::path db_;
    std::atomic<int64_t> clock_{1'000'000};
    std::unique_ptr<LoopbackServer> server_;
    std::unique_ptr<httplib::Client> client_;
};

TEST_F(GamesServerTest, ListsRefreshesEndsAndExpiresGamesUnderTheConnectionsAddress) {
    EXPECT_NE(page().find("No games currently"), std::string::npos);
    // The query's own idea of the address is ignored: the connection's is listed.
    EXPECT_EQ(get("/hostgameruzk.php?host=Ann&port=5000&players=2&title=Dawn%20patrol&teams=R%3D1%20Blu%3D1%20Y%3D0%20Blk%3D0&ip=10.9.9.9"), 200);
    EXPECT_EQ(get("/hostgameruzk.php?host=Bob&port=5001&players=3&title=Line%20one<br>two"), 200);
    std::string p = page();
    EXPECT_EQ(count(p, "<!-- "), 2u);
    EXPECT_NE(p.find("<!--HN--> Ann<br>"), std::string::npos);
    EXPECT_NE(p.find("<!--TD--> Red:1 Blue:1 Yellow:0 Black:0<br>"), std::string::npos);
    EXPECT_NE(p.find("<!--NP--> 3<br>"), std::string::npos);
    EXPECT_NE(p.find("<!--HM-->Line one<br>two</UL>"), std::string::npos);
    EXPECT_NE(p.find("<!--IP--> 127.0.0.1:<!--PO-->5000<br>"), std::string::npos);
    EXPECT_EQ(p.find("10.9.9.9"), std::string::npos);

    // Bob goes on announcing; Ann falls silent for three minutes and leaves the list.
    clock_ += 120;
    EXPECT_EQ(get("/hostgameruzk.php?host=Bob&port=5001&players=4"), 200);
    clock_ += 61;
    p = page();
    EXPECT_EQ(p.find("Ann"), std::string::npos);
    EXPECT_NE(p.find("<!--NP--> 4<br>"), std::string::npos);

    // Port 0 is Bob's end report.
    EXPECT_EQ(get("/hostgameruzk.php?host=Bob&port=0&players=4"), 200);
    EXPECT_NE(page().find("No games currently"), std::string::npos);
    // The store is the file asked for, in WAL mode.
    EXPECT_TRUE(std::filesystem::exists(db_.string() + "-wal"));
}

TEST_F(GamesServerTest, MarkupInNamesAndTitlesIsTextAndCannotForgeRowsOrMarkers) {
    const std::string forged = "%3C%2FUL%3E%3C!--%201%20--%3E%3C!--HN--%3E%20Eve%3Cbr%3ENo%20games%20currently%20%26%20%22'";
    EXPECT_EQ(get("/hostgameruzk.php?host=%3Cb%3EEve%3C%2Fb%3E&port=5000&players=1&title=" + forged), 200);
    const std::string p = page();
    EXPECT_EQ(count(p, "<!-- "), 1u);
    EXPECT_EQ(count(p, "<!--HN-->"), 1u);
    EXPECT_EQ(count(p, "</UL>"), 1u);
    EXPECT_EQ(p.find("No games currently"), std::string::npos);
    EXPECT_NE(p.find("<!--HN--> &lt;b&gt;Eve&lt;/b&gt;<br>"), std::string::npos);
    EXPECT_NE(p.find("&lt;/UL&gt;&lt;!-- 1 --&gt;&lt;!--HN--&gt; Eve<br>No&#32;games currently &amp; &quot;&#39;"),
              std::string::npos);
}

TEST_F(GamesServerTest, RefusesBadAnnouncementsAndBoundsEachAddress) {
    for (const char* bad : {"/hostgameruzk.php?host=Ann&port=70000", "/hostgameruzk.php?host=Ann&port=abc",
                            "/hostgameruzk.php?host=Ann&port=12x", "/hostgameruzk.php?port=5000",
                            "/hostgameruzk.php?host=Ann&port=5000&players=9",
                            "/hostgameruzk.php?host=AnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnnAnn&port=5000",
                            "/hostgameruzk.php?host=Ann&port=5000&title=a%0Ab",
                            // A C1 control, a line separator, a bidirectional override, a zero-width space
                            "/hostgameruzk.php?host=Ann&port=5000&title=a%C2%85b",
                            "/hostgameruzk.php?host=Ann&port=5000&title=a%E2%80%A8b",
                            "/hostgameruzk.php?host=%E2%80%AEnnA&port=5000", "/hostgameruzk.php?host=A%E2%80%8Bnn&port=5000"})
        EXPECT_EQ(get(bad), 400) << bad;
    EXPECT_EQ(get("/anything-else"), 404);
    // Eight games from one address; a ninth is refused, a refresh of the eighth is not.
    for (int k = 0; k < 8; ++k) EXPECT_EQ(get("/hostgameruzk.php?host=H" + std::to_string(k) + "&port=" + std::to_string(6000 + k)), 200);
    EXPECT_EQ(get("/hostgameruzk.php?host=H8&port=6008"), 429);
    EXPECT_EQ(get("/hostgameruzk.php?host=H7&port=6007&players=2"), 200);
    EXPECT_EQ(count(page(), "<!-- "), 8u);
    // The request budget of one address runs out (40, hardly refilled).
    int refused = 0;
    for (int k = 0; k < 40; ++k) refused += get("/vantorgames.php") == 429 ? 1 : 0;
    EXPECT_GT(refused, 0);
}

// Team counts are read whole as the game writes them, or not at all (the game is listed with its
// player count): a count past an int's range was once wrapped into 0..8 and listed as a team.
TEST(AnnouncementTest, TeamCountsAreReadWholeOrNotAtAll) {
    const auto teamsOf = [](const std::string& teams) {
        const std::map<std::string, std::string> query = {{"host", "Ann"}, {"port", "5000"}, {"teams", teams}};
        const Announcement a = readAnnouncement("10.0.0.1", [&](const char* key) -> const std::string* {
            const auto it = query.find(key);
            return it == query.end() ? nullptr : &it->second;
        }, Limits{});
        const Game* g = std::get_if<Game>(&a);
        EXPECT_NE(g, nullptr) << teams;
        return g ? g->teams : std::nullopt;
    };
    EXPECT_EQ(teamsOf("R=1 Blu=2 Y=0 Blk=3"), (std::array<int, 4>{1, 2, 0, 3}));
    for (const char* bad : {"R=4294967297 Blu=0 Y=0 Blk=0", "R=1 Blu=0 Y=0 Blk=9", "R=1 Blu=0 Y=0", "R=1 Blu=0 Y=0 Blk=0 "})
        EXPECT_EQ(teamsOf(bad), std::nullopt) << bad;
}

// Players behind one address list a game each, on their own ports; an end report that could be
// either's takes neither down, and says so.
TEST_F(GamesServerTest, PlayersBehindOneAddressKeepTheirOwnListings) {
    for (const char* announce : {"/hostgameruzk.php?host=Pilot&port=5000&players=2",
                                 "/hostgameruzk.php?host=Pilot&port=5001&players=3",
                                 "/hostgameruzk.php?host=Ann&port=5002&players=4"})
        EXPECT_EQ(get(announce), 200);
    EXPECT_EQ(count(page(), "<!-- "), 3u);
    // Each end report says what it did; one that took nothing down does not say "ended".
    EXPECT_EQ(get("/hostgameruzk.php?host=Pilot&port=0"), 409);
    EXPECT_EQ(get("/hostgameruzk.php?host=Ann&port=0"), 200);
    EXPECT_EQ(get("/hostgameruzk.php?host=Ann&port=0"), 404);
    const std::string p = page();
    EXPECT_EQ(count(p, "<!-- "), 2u);
    EXPECT_NE(p.find("<!--NP--> 2<br>"), std::string::npos);
    EXPECT_NE(p.find("<!--NP--> 3<br>"), std::string::npos);
    EXPECT_EQ(p.find("Ann"), std::string::npos);
}

// A listener on both families: an IPv4 peer is listed under its IPv4 address, as on an IPv4
// listener, and an IPv6 peer, which the game could not join (and whose address the page would cut
// at its first colon), is refused.
TEST(GamesServerAddressTest, AnIPv4PeerOfATwoFamilyListenerIsListedAsIPv4AndAnIPv6PeerIsRefused) {
    ServerOptions options;
    options.listenHost = "::";
    options.port = 0;
    options.dbPath = ":memory:";
    GamesServer server(options);
    std::string error;
    if (!server.bind(error)) GTEST_SKIP() << "no IPv6 listener here: " << error;
    server.start();
    const auto ask = [&](const char* from, const std::string& path) {
        Peer peer(from, server.port());
        peer.send("GET " + path + " HTTP/1.1\r\nHost: games\r\n\r\n");
        return peer.answer();
    };
    EXPECT_EQ(ask("127.0.0.1", "/hostgameruzk.php?host=Ann&port=5000").rfind("HTTP/1.1 200", 0), 0u);
    EXPECT_EQ(ask("::1", "/hostgameruzk.php?host=Bob&port=5001").rfind("HTTP/1.1 403", 0), 0u);
    const std::string p = ask("127.0.0.1", "/vantorgames.php");
    EXPECT_EQ(count(p, "<!-- "), 1u);
    EXPECT_NE(p.find("<!--IP--> 127.0.0.1:<!--PO-->5000<br>"), std::string::npos) << p;
    server.stop();
}

// An address holds at most three connections (here); one more is turned away at once, while
// another address is served, and the address may come again once its connections are answered.
// A client that trickles its request a byte at a time is cut off once its request has taken a
// second in all, however briskly each byte comes.
TEST_F(GamesServerTest, EachAddressHoldsFewConnectionsAndATrickledRequestIsCutOff) {
    const int port = server_->server->port();
    const std::string list = "GET /vantorgames.php HTTP/1.1\r\nHost: games\r\n\r\n";
    std::vector<std::unique_ptr<Peer>> idle;
    for (int k = 0; k < 3; ++k) idle.push_back(std::make_unique<Peer>("127.0.0.1", port));
    Peer fourth("127.0.0.1", port);  // turned away before it says anything
    EXPECT_EQ(fourth.answer().rfind("HTTP/1.1 429", 0), 0u);
    Peer neighbour("127.0.0.2", port);
    neighbour.send(list);
    EXPECT_EQ(neighbour.answer().rfind("HTTP/1.1 200", 0), 0u);
    for (auto& peer : idle) {
        peer->send(list);
        EXPECT_EQ(peer->answer().rfind("HTTP/1.1 200", 0), 0u);
    }
    Peer again("127.0.0.1", port);
    again.send(list);
    EXPECT_EQ(again.answer().rfind("HTTP/1.1 200", 0), 0u);

    ServerOptions options;
    options.gate.headSeconds = 1.0;
    LoopbackServer brisk(options);
    Peer slow("127.0.0.1", brisk.server->port());
    // Two minutes of bytes, should the cut never come; the head stays far below its size limit.
    const std::string head = "GET /vantorgames.php HTTP/1.1\r\nHost: games\r\nX-Pad: " + std::string(440, 'a');
    size_t bytes = 0;
    bool cut = false;
    while (bytes < head.size() && !cut) cut = !slow.send(std::string(1, head[bytes++])) || slow.closedWithin(250);
    EXPECT_TRUE(cut) << "still open after " << bytes << " bytes, a quarter of a second apart";
}

// The head is the client's to send in time, not the gate's to read in time: a head lying whole in
// the socket when its deadline comes is served, and a socket holding less is closed unanswered. A
// deadline of nothing stands for a gathering thread kept from running past it on a busy machine.
TEST(ConnectionGateTest, AHeadSentInTimeIsServedHoweverLateTheGateLooks) {
    GateLimits limits;
    limits.headSeconds = 0;
    limits.workers = 1;
    ConnectionGate gate(limits, [](ConnectionGate::Connection& c) { ::send(c.sock, "served", 6, MSG_NOSIGNAL); });
    const auto answerTo = [&](const std::string& head) {
        int pair[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        if (!head.empty()) {
            EXPECT_EQ(::send(pair[0], head.data(), head.size(), MSG_NOSIGNAL), ssize_t(head.size()));
        }
        gate.admit(pair[1]);
        std::string got;
        char buffer[64];
        for (ssize_t n; (n = ::recv(pair[0], buffer, sizeof buffer, 0)) > 0;) got.append(buffer, size_t(n));
        ::close(pair[0]);
        return got;
    };
    EXPECT_EQ(answerTo("GET /vantorgames.php HTTP/1.1\r\nHost: games\r\n\r\n"), "served");
    // The gate reads 2,048 bytes at a time: this head's end is split between its first two reads.
    std::string split = "GET /vantorgames.php HTTP/1.1\r\nHost: games\r\nX-Pad: ";
    split += std::string(2046 - split.size(), 'a') + "\r\n\r\n";
    EXPECT_EQ(answerTo(split), "served");
    EXPECT_EQ(answerTo("GET /vantorgames.php HTTP/1.1\r\nHo"), "");
    EXPECT_EQ(answerTo(""), "");
}

// One IPv6 subscriber holds a whole /64: the caps count the prefix, so that a sender cannot open a
// fresh address for each connection or request. Neighbouring addresses share a /24 or /48.
TEST(ConnectionGateTest, TheLimitsCountAnIPv6PeerByItsSlash64AndNetworksBySlash24And48) {
    EXPECT_EQ(limitKey("192.0.2.7"), "192.0.2.7");
    EXPECT_EQ(limitKey("2001:db8:1:2:aaaa::1"), limitKey("2001:db8:1:2:ffff:1:2:3"));
    EXPECT_NE(limitKey("2001:db8:1:2::1"), limitKey("2001:db8:1:3::1"));
    EXPECT_NE(limitKey("2001:db8:1:2::1"), limitKey("192.0.2.7"));
    EXPECT_EQ(limitKey(""), "");
    EXPECT_EQ(blockKey("192.0.2.7"), blockKey("192.0.2.200"));
    EXPECT_NE(blockKey("192.0.2.7"), blockKey("192.0.3.7"));
    EXPECT_EQ(blockKey("2001:db8:1:2::1"), blockKey("2001:db8:1:ffff::1"));
    EXPECT_NE(blockKey("2001:db8:1::1"), blockKey("2001:db8:2::1"));
}

// The server answers bodiless GETs, each whole. A thousand ranges get one copy of the page; a head
// that declares a body is refused at once, without its body ever coming; an over-long request line
// or head gets its status line, not a bare close. Each request from an address of its own, so that
// none waits on the per-address cap while the one before is being counted out.
TEST_F(GamesServerTest, EveryRequestIsAnsweredWholeOrRefusedWithItsStatus) {
    EXPECT_EQ(get("/hostgameruzk.php?host=Ann&port=5000&players=2"), 200);
    int from = 10;
    const auto ask = [&](const std::string& head) {
        Peer peer(("127.0.0." + std::to_string(from++)).c_str(), server_->server->port());
        peer.send(head);
        return peer.answer();
    };
    std::string ranges = "bytes=0-";
    for (int k = 1; k < 1000; ++k) ranges += ",0-";
    const std::string whole = ask("GET /vantorgames.php HTTP/1.1\r\nHost: games\r\nRange: " + ranges + "\r\n\r\n");
    EXPECT_EQ(whole.rfind("HTTP/1.1 200", 0), 0u) << whole.substr(0, 80);
    EXPECT_EQ(count(whole, "<!--HN--> Ann<br>"), 1u);

    EXPECT_EQ(ask("POST /vantorgames.php HTTP/1.1\r\nHost: games\r\nContent-Length: 100\r\n\r\n").rfind("HTTP/1.1 413", 0), 0u);
    EXPECT_EQ(ask("GET /vantorgames.php HTTP/1.1\r\ntransfer-encoding : chunked\r\n\r\n").rfind("HTTP/1.1 413", 0), 0u);
    EXPECT_EQ(ask("GET /vantorgames.php HTTP/1.1\r\nContent-Length: 0\r\n\r\n").rfind("HTTP/1.1 200", 0), 0u);
    EXPECT_EQ(ask("GET /vantorgames.php?" + std::string(5000, 'a') + " HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 414", 0), 0u);
    EXPECT_EQ(ask("GET /vantorgames.php HTTP/1.1\r\nX-Pad: " + std::string(9000, 'a') + "\r\n\r\n").rfind("HTTP/1.1 431", 0),
              0u);
}

// Names and titles from the network that are not UTF-8 are mended as the game mends them, so the
// page is served as the UTF-8 it says it is.
TEST_F(GamesServerTest, NamesAndTitlesThatAreNotUtf8AreMended) {
    EXPECT_EQ(get("/hostgameruzk.php?host=%FFAnn&port=5000&title=Dawn%C0%AF%20patrol"), 200);
    const std::string p = page();
    EXPECT_NE(p.find("<!--HN--> \xEF\xBF\xBD" "Ann<br>"), std::string::npos);
    EXPECT_NE(p.find("<!--HM-->Dawn\xEF\xBF\xBD\xEF\xBF\xBD patrol</UL>"), std::string::npos);
}

// A network's addresses together hold at most `perBlock` connections: one /24 cannot fill the
// server's whole cap, while the next /24 is served.
TEST(ConnectionGateTest, OneNetworkHoldsFewConnections) {
    ServerOptions options;
    options.gate.perAddress = 2;
    options.gate.perBlock = 3;
    options.gate.headSeconds = 600;
    LoopbackServer server(options);
    const int port = server.server->port();
    Peer a1("127.0.5.1", port), a2("127.0.5.1", port), b("127.0.5.2", port);
    Peer c("127.0.5.3", port);  // the network's fourth: turned away before it says anything
    EXPECT_EQ(c.answer().rfind("HTTP/1.1 429", 0), 0u);
    Peer other("127.0.6.1", port);
    other.send("GET /vantorgames.php HTTP/1.1\r\nHost: games\r\n\r\n");
    EXPECT_EQ(other.answer().rfind("HTTP/1.1 200", 0), 0u);
}

TEST(GamesStoreTest, ListsAtMostAHundredOldestFirst) {
    GamesStore store(":memory:");
    ASSERT_TRUE(store.ok()) << store.error();
    for (int k = 0; k < 120; ++k) {
        Game g;
        g.host = "10.0." + std::to_string(k) + ".1";  // each its network's only game: oldest first
        g.port = 12301;
        g.name = std::to_string(k).insert(0, 1, 'P');  // "P" + a string: a false -Wrestrict in GCC 12
        ASSERT_EQ(store.announce(g, 100 + k), k < 100 ? Stored::kListed : Stored::kListedInTurns) << k;
    }
    const auto games = store.list(200);
    ASSERT_EQ(games.size(), 100u);
    EXPECT_EQ(games.front().name, "P0");
    EXPECT_EQ(renderPage(games).find("<!-- 100 -->"), std::string::npos);

    // Titles that escape to six times their length: the page stays within what the game reads,
    // its rows numbered without a gap and each whole.
    std::vector<Game> quoted(100, games.front());
    for (Game& g : quoted) g.title = std::string(1200, '"');
    const std::string page = renderPage(quoted);
    EXPECT_LE(page.size(), 256u * 1024);
    const size_t rows = count(page, "<!-- ");
    EXPECT_GT(rows, 0u);
    EXPECT_EQ(count(page, "<!--PO-->"), rows);
    EXPECT_NE(page.find("<!-- " + std::to_string(rows - 1) + " -->"), std::string::npos);
}

// Two games of one name behind one address; the older has expired, and no announcement has come
// since to clear it. The end report counts only what is listed: the game it ends leaves the list.
TEST(GamesStoreTest, AnExpiredGameOfTheSameNameDoesNotHoldBackAnEndReport) {
    GamesStore store(":memory:");
    ASSERT_TRUE(store.ok()) << store.error();
    Game g;
    g.host = "10.0.0.1";
    g.name = "Pilot";
    g.port = 5000;
    ASSERT_EQ(store.announce(g, 1000), Stored::kListed);
    g.port = 5001;
    ASSERT_EQ(store.announce(g, 1100), Stored::kListed);
    EXPECT_EQ(store.end(g.host, g.name, 1200), Stored::kEnded);  // the first expired at 1180
    EXPECT_TRUE(store.list(1200).empty());
}

}  // namespace
}  // namespace pellam::games
