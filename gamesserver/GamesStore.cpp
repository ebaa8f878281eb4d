#include "gamesserver/GamesStore.h"

#include <algorithm>
#include <array>
#include <limits>
#include <sqlite3.h>

#include "gamesserver/ConnectionGate.h"

namespace pellam::games {
namespace {

// A prepared statement that finalises itself.
struct Statement {
    sqlite3_stmt* s = nullptr;
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s, nullptr); }
    ~Statement() { sqlite3_finalize(s); }
    explicit operator bool() const { return s != nullptr; }
    void text(int i, const std::string& v) { sqlite3_bind_text(s, i, v.data(), int(v.size()), SQLITE_TRANSIENT); }
    void integer(int i, int64_t v) { sqlite3_bind_int64(s, i, v); }
    std::string column(int i) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        return p ? std::string(p, size_t(sqlite3_column_bytes(s, i))) : std::string();
    }
};

}  // namespace

GamesStore::GamesStore(const std::string& path, Limits limits) : limits_(limits) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
        error_ = std::string("cannot open ") + path + ": " + sqlite3_errmsg(db_);
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    sqlite3_busy_timeout(db_, 2000);
    // WAL lets a reader (the sqlite3 shell, a backup) look while the server writes.
    const bool made = exec("PRAGMA journal_mode=WAL") && exec("PRAGMA synchronous=NORMAL") &&
                      exec("CREATE TABLE IF NOT EXISTS games(host TEXT NOT NULL, port INTEGER NOT NULL,"
                           " name TEXT NOT NULL, title TEXT NOT NULL, players INTEGER NOT NULL,"
                           " red INTEGER, blue INTEGER, yellow INTEGER, black INTEGER,"
                           " created INTEGER NOT NULL, updated INTEGER NOT NULL,"
                           " block TEXT NOT NULL DEFAULT '', turn INTEGER NOT NULL DEFAULT 1, PRIMARY KEY(host, port))") &&
                      addTurns() && exec("CREATE INDEX IF NOT EXISTS games_updated ON games(updated)") &&
                      exec("CREATE INDEX IF NOT EXISTS games_block ON games(block)");
    if (!made) {
        error_ = std::string("cannot set up ") + path + ": " + sqlite3_errmsg(db_);
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

GamesStore::~GamesStore() { sqlite3_close(db_); }

bool GamesStore::exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

bool GamesStore::addTurns() {
    // A file kept before games had turns: its games count for no network and come first, until
    // each is announced again (it takes its network then) or expires, within minutes.
    if (Statement(db_, "SELECT block, turn FROM games LIMIT 0")) return true;
    if (!exec("BEGIN")) return false;
    if (exec("ALTER TABLE games ADD COLUMN block TEXT NOT NULL DEFAULT ''") &&
        exec("ALTER TABLE games ADD COLUMN turn INTEGER NOT NULL DEFAULT 1") && exec("COMMIT"))
        return true;
    exec("ROLLBACK");
    return false;
}

void GamesStore::purge(int64_t now) {
    Statement del(db_, "DELETE FROM games WHERE updated < ?");
    if (!del) return;
    del.integer(1, now - limits_.expirySeconds);
    sqlite3_step(del.s);
}

Stored GamesStore::announce(const Game& game, int64_t now) {
    if (!db_) return Stored::kFailed;
    std::lock_guard lock(mutex_);
    purge(now);
    const std::string block = blockKey(game.host);
    Statement known(db_, "SELECT (SELECT COUNT(*) FROM games WHERE host = ?1),"
                         " (SELECT COUNT(*) FROM games), (SELECT COUNT(*) FROM games WHERE host = ?1 AND port = ?2),"
                         " (SELECT COUNT(*) FROM games WHERE block = ?3)");
    if (!known) return Stored::kFailed;
    known.text(1, game.host);
    known.integer(2, game.port);
    known.text(3, block);
    if (sqlite3_step(known.s) != SQLITE_ROW) return Stored::kFailed;
    const bool listed = sqlite3_column_int(known.s, 2) > 0;
    const int inBlock = sqlite3_column_int(known.s, 3);
    if (!listed && sqlite3_column_int(known.s, 0) >= limits_.gamesPerAddress) return Stored::kTooManyFromAddress;
    if (!listed && inBlock >= limits_.gamesPerBlock) return Stored::kTooManyFromNetwork;
    if (!listed && sqlite3_column_int(known.s, 1) >= limits_.totalGames) return Stored::kFull;

    // A refresh keeps the game's turn: its place on the page changes only as games come and go.
    Statement put(db_, "INSERT INTO games(host, port, name, title, players, red, blue, yellow, black, created, updated,"
                       " block, turn) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?10, ?11, ?12)"
                       " ON CONFLICT(host, port) DO UPDATE SET name = ?3, title = ?4, players = ?5, red = ?6,"
                       " blue = ?7, yellow = ?8, black = ?9, updated = ?10, block = ?11");
    if (!put) return Stored::kFailed;
    put.text(11, block);
    put.integer(12, inBlock + 1);
    put.text(1, game.host);
    put.integer(2, game.port);
    put.text(3, game.name);
    put.text(4, game.title);
    put.integer(5, game.players);
    for (int k = 0; k < 4; ++k)
        if (game.teams) put.integer(6 + k, (*game.teams)[k]);
    put.integer(10, now);
    if (sqlite3_step(put.s) != SQLITE_DONE) return Stored::kFailed;
    // Stored: a failed read of its place must not tell the host it was not.
    const Stored place = standing(game.host, game.port);
    return place == Stored::kFailed ? Stored::kListedPlaceUnknown : place;
}

Stored GamesStore::standing(const std::string& host, int port) {
    // Expired games are purged already: every game counts.
    Statement rank(db_, "SELECT (SELECT COUNT(*) FROM games WHERE turn < g.turn), (SELECT COUNT(*) FROM games"
                        " WHERE turn = g.turn) FROM games AS g WHERE host = ?1 AND port = ?2");
    if (!rank) return Stored::kFailed;
    rank.text(1, host);
    rank.integer(2, port);
    if (sqlite3_step(rank.s) != SQLITE_ROW) return Stored::kFailed;
    const int64_t before = sqlite3_column_int64(rank.s, 0), ofTurn = sqlite3_column_int64(rank.s, 1);
    if (before + ofTurn <= limits_.listRows) return Stored::kListed;
    return before < limits_.listRows ? Stored::kListedInTurns : Stored::kNotShown;
}

Stored GamesStore::end(const std::string& address, const std::string& name, int64_t now) {
    if (!db_) return Stored::kFailed;
    std::lock_guard lock(mutex_);
    // The end report carries no port. Players behind one address (NAT) may share a name: which of
    // their games ended cannot be told, so none is taken down, and the ended one expires. Only
    // listed games count: an expired one no announcement has cleared yet goes first.
    purge(now);
    Statement listed(db_, "SELECT COUNT(*) FROM games WHERE host = ?1 AND name = ?2");
    if (!listed) return Stored::kFailed;
    listed.text(1, address);
    listed.text(2, name);
    if (sqlite3_step(listed.s) != SQLITE_ROW) return Stored::kFailed;
    const int count = sqlite3_column_int(listed.s, 0);
    if (count == 0) return Stored::kNotListed;
    if (count > 1) return Stored::kSeveralOfName;
    Statement del(db_, "DELETE FROM games WHERE host = ?1 AND name = ?2");
    if (!del) return Stored::kFailed;
    del.text(1, address);
    del.text(2, name);
    return sqlite3_step(del.s) == SQLITE_DONE ? Stored::kEnded : Stored::kFailed;
}

std::vector<Game> GamesStore::list(int64_t now) {
    std::vector<Game> games;
    if (!db_) return games;
    std::lock_guard lock(mutex_);
    constexpr int64_t kAnyTurn = std::numeric_limits<int64_t>::max();
    // The first turn whose games do not all fit after the earlier turns' (none: every game fits).
    Statement turns(db_, "SELECT turn, COUNT(*) FROM games WHERE updated >= ? GROUP BY turn ORDER BY turn");
    if (!turns) return games;
    turns.integer(1, now - limits_.expirySeconds);
    int64_t before = 0, shared = kAnyTurn, ofShared = 0;
    while (sqlite3_step(turns.s) == SQLITE_ROW) {
        const int64_t turn = sqlite3_column_int64(turns.s, 0), count = sqlite3_column_int64(turns.s, 1);
        if (before + count > limits_.listRows) {
            shared = turn;
            ofShared = count;
            break;
        }
        before += count;
    }
    readGames(now, std::numeric_limits<int64_t>::min(), shared == kAnyTurn ? kAnyTurn : shared - 1, limits_.listRows, 0,
              games);
    const int64_t rows = limits_.listRows - before;
    if (shared == kAnyTurn || rows <= 0) return games;
    // The shared turn's rows, the next `rows` of its games after the last page's, in their order.
    const int64_t from = int64_t(rotation_ % uint64_t(ofShared));
    rotation_ += uint64_t(rows);
    const int64_t wrapped = std::max<int64_t>(0, from + rows - ofShared);
    readGames(now, shared, shared, wrapped, 0, games);
    readGames(now, shared, shared, rows - wrapped, from, games);
    return games;
}

void GamesStore::readGames(int64_t now, int64_t first, int64_t last, int64_t count, int64_t skip,
                           std::vector<Game>& games) {
    if (count <= 0) return;
    Statement rows(db_, "SELECT host, port, name, title, players, red, blue, yellow, black FROM games"
                        " WHERE updated >= ?1 AND turn BETWEEN ?2 AND ?3 ORDER BY turn, created, host, port"
                        " LIMIT ?4 OFFSET ?5");
    if (!rows) return;
    rows.integer(1, now - limits_.expirySeconds);
    rows.integer(2, first);
    rows.integer(3, last);
    rows.integer(4, count);
    rows.integer(5, skip);
    while (sqlite3_step(rows.s) == SQLITE_ROW) {
        Game g;
        g.host = rows.column(0);
        g.port = sqlite3_column_int(rows.s, 1);
        g.name = rows.column(2);
        g.title = rows.column(3);
        g.players = sqlite3_column_int(rows.s, 4);
        if (sqlite3_column_type(rows.s, 5) != SQLITE_NULL) {
            std::array<int, 4> teams{};
            for (int k = 0; k < 4; ++k) teams[k] = sqlite3_column_int(rows.s, 5 + k);
            g.teams = teams;
        }
        games.push_back(std::move(g));
    }
}

}  // namespace pellam::games
