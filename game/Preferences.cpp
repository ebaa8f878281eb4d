#include "game/Preferences.h"

namespace pellam {
namespace {

const char* const kAutoMessageKeys[8] = {"AutoMessage1Key", "AutoMessage2Key", "AutoMessage3Key", "AutoMessage4Key",
                                         "AutoMessage5Key", "AutoMessage6Key", "AutoMessage7Key", "AutoMessage8Key"};
const char* const kAutoMessagePPKeys[8] = {"AutoMessage1PPKey", "AutoMessage2PPKey", "AutoMessage3PPKey",
                                           "AutoMessage4PPKey", "AutoMessage5PPKey", "AutoMessage6PPKey",
                                           "AutoMessage7PPKey", "AutoMessage8PPKey"};

}  // namespace

AutoMessage makeAutoMessage(const std::string& utf8) {
    AutoMessage entry{};
    size_t n = 0;
    auto put = [&](uint32_t unit) {
        if (n < 79) entry[1 + n++] = static_cast<uint8_t>(unit & 0xFF);
    };
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        if (extra && i + extra >= utf8.size()) extra = 0;
        uint32_t code = extra ? lead & (0x3F >> extra) : lead;
        for (size_t k = 1; k <= extra; ++k) code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += 1 + extra;
        if (code > 0xFFFF) {  // two UTF-16 units
            code -= 0x10000;
            put(0xD800 | code >> 10);
            put(0xDC00 | (code & 0x3FF));
        } else {
            put(code);
        }
    }
    entry[0] = static_cast<uint8_t>(n);
    entry[n + 1] = 0;
    return entry;
}

const char* Preferences::autoMessageKey(int k) { return kAutoMessageKeys[k & 7]; }
const char* Preferences::autoMessagePPKey(int k) { return kAutoMessagePPKeys[k & 7]; }

void Preferences::readFrom(platform::UserDefaults& store) {
    FirstTime = false;
    if (!store.hasKey("DontShowMF")) store.setBool("DontShowMF", false);
    DontShowMF = store.boolForKey("DontShowMF").value_or(false);

    if (!store.hasKey("AutoMessage1Key")) store.setBool("StallLimiterKey", true);
    readFlags(store);

    if (auto path = store.stringForKey("LastMissionOpenedKey")) LastOpenedMission = *path;
    if (auto check = store.integerForKey("CheckForPublicGamesKey")) DoCheckForGames = *check;
    ReloadUserMissions = store.boolForKey("ReloadUserMissionsKey").value_or(false);

    for (int i = 0; i < 8; ++i) PubPri[i] = store.boolForKey(kAutoMessagePPKeys[i]).value_or(false);
    for (int i = 0; i < 8; ++i) AutoMessages[i] = makeAutoMessage(store.stringForKey(kAutoMessageKeys[i]).value_or(""));

    if (!store.hasKey("TerrainDetailKey")) store.setBool("TerrainDetailKey", true);
    DoDetailPass = store.boolForKey("TerrainDetailKey").value_or(true);
    useIDSquares = true;
    useCloseUpIDSquares = false;
}

void Preferences::readFlags(const platform::UserDefaults& store) {
    StallLimiter = store.boolForKey("StallLimiterKey").value_or(false);
    MousePosFeedback = store.boolForKey("MousePosFeedbackKey").value_or(false);
}

void Preferences::writeLastMission(platform::UserDefaults& store) const {
    if (LastOpenedMission)
        store.setString("LastMissionOpenedKey", *LastOpenedMission);
    else
        store.removeKey("LastMissionOpenedKey");
}

}  // namespace pellam
