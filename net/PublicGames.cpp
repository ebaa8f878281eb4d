#include "net/PublicGames.h"

#include <cctype>
#include <cstdio>
#include <optional>

#include "platform/Utf8.h"

namespace pellam {
namespace {

constexpr size_t kTitleCharacters = 299;

// Where the row marker "<!-- n -->" (n any number) first stands at or after `from`; npos: none.
size_t nextRowMarker(std::string_view page, size_t from) {
    for (size_t at = page.find("<!-- ", from); at != std::string_view::npos; at = page.find("<!-- ", at + 1)) {
        size_t p = at + 5;
        const size_t digits = p;
        while (p < page.size() && std::isdigit(static_cast<unsigned char>(page[p]))) ++p;
        if (p > digits && page.substr(p, 4) == " -->") return at;
    }
    return std::string_view::npos;
}

// The text after `marker` (searched in `row` from `from`) up to `terminator`; the marker's place
// goes to `where`. Nothing when either is missing from the row.
std::optional<std::string_view> field(std::string_view row, size_t from, std::string_view marker,
                                      std::string_view terminator, size_t* where = nullptr) {
    const size_t m = row.find(marker, from);
    if (m == std::string_view::npos) return std::nullopt;
    const size_t start = m + marker.size();
    const size_t end = row.find(terminator, start);
    if (end == std::string_view::npos) return std::nullopt;
    if (where) *where = m;
    return row.substr(start, end - start);
}

// Leading blanks, an optional sign and digits, as a whole number; 0 when none start the text.
long leadingNumber(std::string_view text) {
    size_t p = 0;
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    long value = 0;
    for (; p < text.size() && std::isdigit(static_cast<unsigned char>(text[p])) && value < 1000000; ++p)
        value = value * 10 + (text[p] - '0');
    return negative ? -value : value;
}

// One row's fields from its text (the row marker to the next); false when the row is incomplete.
bool readRow(std::string_view row, PublicGames& game) {
    size_t hn = 0, hm = 0, ip = 0;
    const auto name = field(row, 0, "<!--HN--> ", "<br>", &hn);
    if (!name) return false;
    const auto message = field(row, hn, "<!--HM-->", "</UL>", &hm);
    if (!message) return false;
    size_t at = hm;
    std::string players;
    if (const auto teams = field(row, hm, "<!--TD--> ", "<br>")) {
        int parts = 0;
        for (size_t p = 0; p <= teams->size() && parts < 4;) {
            const size_t blank = std::min(teams->find(' ', p), teams->size());
            if (parts) players += '\r';
            players += teams->substr(p, blank - p);
            ++parts;
            p = blank + 1;
        }
        if (parts < 4) return false;
    } else {
        size_t np = 0;
        const auto count = field(row, hm, "<!--NP--> ", "<br>", &np);
        if (!count) return false;
        players = std::string(*count);
        at = np;
    }
    const auto address = field(row, at, "<!--IP--> ", ":", &ip);
    if (!address) return false;
    const auto port = field(row, ip, "<!--PO-->", "<br>");
    if (!port) return false;
    const long number = leadingNumber(*port);
    if (number < 1 || number > 65535) return false;
    game.HostName = std::string(*name);
    game.HostMessage = std::string(*message);
    game.NumberPlayers = std::move(players);
    game.theIP = std::string(*address);
    game.thePort = std::string(*port);
    game.Port = static_cast<uint32_t>(number);
    return true;
}

}  // namespace

int parseGamesPage(std::string_view page, PublicGamesList& rows) {
    if (page.find("No games currently") != std::string_view::npos) return 0;
    int count = 0;
    for (int i = 0; i < kMaxPublicGames; ++i) {
        const std::string marker = "<!-- " + std::to_string(i) + " -->";
        const size_t at = page.find(marker);
        if (at == std::string_view::npos) break;
        // Each field is looked for in its own row only, up to the next row's marker.
        const size_t start = at + marker.size();
        const size_t next = nextRowMarker(page, start);
        const std::string_view row = page.substr(start, next == std::string_view::npos ? std::string_view::npos : next - start);
        PublicGames game;
        if (!readRow(row, game)) break;
        rows[i] = std::move(game);
        count = i + 1;
    }
    return count;
}

std::string pageTextForDisplay(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}, {"&#32;", ' '}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text.substr(i, 4) == "<br>") {
            out += '\n';
            i += 4;
            continue;
        }
        bool decoded = false;
        if (text[i] == '&')
            for (const auto& [entity, ch] : kEntities)
                if (text.substr(i, entity.size()) == entity) {
                    out += ch;
                    i += entity.size();
                    decoded = true;
                    break;
                }
        if (!decoded) out += text[i++];
    }
    return platform::repairedUtf8(out);  // shown as UTF-8: the server's bytes are not trusted to be
}

std::string escapeQueryValue(std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char ch : value) {
        if (std::isalnum(ch) || ch == '-' || ch == '.' || ch == '_' || ch == '~') {
            out += static_cast<char>(ch);
        } else {
            out += '%';
            out += kHex[ch >> 4];
            out += kHex[ch & 15];
        }
    }
    return out;
}

std::string announcementUrl(const std::string& base, const Announcement& game) {
    // At most 299 characters (UTF-8 sequences kept whole), each line break sent as "<br>".
    size_t characters = 0, end = 0;
    for (; end < game.title.size(); ++end) {
        if ((static_cast<unsigned char>(game.title[end]) & 0xC0) == 0x80) continue;
        if (characters++ == kTitleCharacters) break;
    }
    const std::string_view cut = std::string_view(game.title).substr(0, end);
    std::string title;
    for (size_t i = 0; i < cut.size(); ++i) {
        if (cut[i] == '\r' && i + 1 < cut.size() && cut[i + 1] == '\n') continue;
        title += cut[i] == '\n' || cut[i] == '\r' ? std::string("<br>") : std::string(1, cut[i]);
    }
    // The games list refuses a name or title with any other control, separator, bidirectional or
    // zero-width character: sent without them, the game is listed.
    title = platform::withoutHiddenControls(title);
    if (title.empty()) title = "Message not yet available";
    std::string name = platform::withoutHiddenControls(game.hostName);
    if (name.empty()) name = "Unnamed pilot";  // the list needs a name to show
    char teams[64];
    std::snprintf(teams, sizeof teams, "R=%d Blu=%d Y=%d Blk=%d", game.teams[0], game.teams[1], game.teams[2],
                  game.teams[3]);
    return base + "hostgameruzk.php?host=" + escapeQueryValue(name) + "&port=" + std::to_string(game.port) +
           "&players=" + std::to_string(game.players) + "&title=" + escapeQueryValue(title) +
           "&teams=" + escapeQueryValue(teams);
}

namespace {
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// 1..`digits` decimal digits and nothing else, at most `largest`.
std::optional<uint32_t> wholeNumber(std::string_view text, size_t digits, uint32_t largest) {
    if (text.empty() || text.size() > digits) return std::nullopt;
    uint32_t value = 0;
    for (char ch : text) {
        if (!std::isdigit(static_cast<unsigned char>(ch))) return std::nullopt;
        value = value * 10 + uint32_t(ch - '0');
    }
    if (value > largest) return std::nullopt;
    return value;
}
}  // namespace

std::optional<uint32_t> parseIPv4(std::string_view text) {
    text = trimmed(text);
    uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t dot = text.find('.');
        if ((part < 3) != (dot != std::string_view::npos)) return std::nullopt;
        const auto value = wholeNumber(text.substr(0, dot), 3, 255);
        if (!value) return std::nullopt;
        address = address << 8 | *value;
        text = part < 3 ? text.substr(dot + 1) : std::string_view();
    }
    return address;
}

std::optional<uint16_t> parsePort(std::string_view text) {
    const auto value = wholeNumber(trimmed(text), 5, 65535);
    if (!value || *value == 0) return std::nullopt;
    return static_cast<uint16_t>(*value);
}

std::string gamesListUrl(const std::string& base) { return base + "vantorgames.php?doall=ruzkiph"; }

}  // namespace pellam
