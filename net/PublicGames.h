#pragma once
// The public games list as the game speaks it: the announcement of a hosted game (and its end
// report, port 0), and the parse of the list page the games-list server answers with.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pellam {

// One listed game, texts as the page gives them (escaped, line breaks as "<br>").
struct PublicGames {
    std::string HostName;
    std::string HostMessage;
    std::string NumberPlayers;  // a count, or the four team counts on four lines
    std::string theIP;
    std::string thePort;
    uint32_t IPAddress = 0;     // not filled: joining uses theIP
    uint32_t Port = 0;          // 1..65535
};

inline constexpr int kMaxPublicGames = 100;
using PublicGamesList = std::array<PublicGames, kMaxPublicGames>;

// The page's games into `rows` from row 0; answers how many were read. Rows are read in order
// "<!-- 0 -->", "<!-- 1 -->" ... up to 100; the first missing or incomplete row (a marker or
// terminator missing before the next row, fewer than four team counts, a port that is not
// 1..65535) ends the list. A page saying "No games currently" lists none.
int parseGamesPage(std::string_view page, PublicGamesList& rows);

// What a text of the page reads as: entities decoded, "<br>" a line break.
std::string pageTextForDisplay(std::string_view text);

// Every byte outside A-Z a-z 0-9 - . _ ~ as %XX: '&', '=' and '?' in a name or title stay text.
std::string escapeQueryValue(std::string_view value);

struct Announcement {
    std::string hostName;     // the pilot's name; none: "Unnamed pilot"
    int port = 0;             // 0: the game has ended
    int players = 1;          // the host and its joiners
    std::string title;        // the host's message; line feeds become "<br>", cut to 299 characters
    std::array<int, 4> teams{};  // aircraft of red, blue, yellow, black among the players
};
// A typed IPv4 address: exactly four dot-separated parts of 1-3 digits, each 0..255; the address
// in host order (127.0.0.1 is 0x7F000001). Host names, other part counts and text give nothing.
std::optional<uint32_t> parseIPv4(std::string_view text);
// A typed UDP port: a whole number 1..65535, blanks around it allowed; anything else gives nothing.
std::optional<uint16_t> parsePort(std::string_view text);

// The announcement request under `base` (the server's address, ending in "/"). The name and title
// go without the characters the games list refuses (platform::isHiddenControl), line breaks aside.
std::string announcementUrl(const std::string& base, const Announcement& game);
// The list request under `base`.
std::string gamesListUrl(const std::string& base);

}  // namespace pellam
