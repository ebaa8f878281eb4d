// The games-list page from a server on the internet: any page reads as at most 100 games, each
// with a port the join window can use, and every text turns into something displayable.
#include <cstdlib>
#include <string_view>

#include "net/PublicGames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellam;
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    static PublicGamesList rows;
    const int n = parseGamesPage(page, rows);
    if (n < 0 || n > kMaxPublicGames) std::abort();
    for (int i = 0; i < n; ++i) {
        if (rows[i].Port < 1 || rows[i].Port > 65535) std::abort();
        pageTextForDisplay(rows[i].HostName);
        pageTextForDisplay(rows[i].HostMessage);
        pageTextForDisplay(rows[i].NumberPlayers);
    }
    parseIPv4(page);
    parsePort(page);
    return 0;
}
