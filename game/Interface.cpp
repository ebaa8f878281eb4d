#include "game/Interface.h"

namespace pellam {

GameInterface::GameInterface() {
    for (int i = 0; i < 8; ++i) {
        toAuto[i].title = "Message " + std::to_string(i + 1);
        toAutopp[i].title = "Team only";
    }
    // The first launch copies these states into the store.
    const char* messages[8] = {"Check your six!", "Going down, cover me!", "Follow me.", "Break left!",
                               "Break right!",     "Bandits above!",        "Attack the balloon.",
                               "Good show, old boy!"};
    for (int i = 0; i < 8; ++i) toAuto[i].stringValue = messages[i];
    toStallLimiter.state = true;
    toTerrainDetailPref.state = true;
    toPrefsAlwaysReloadUM.state = true;
    toInitialSound.setState(true, 0, 0);
    toScreenSaveType.setState(true, 0, 0);
    for (int i = 0; i < 5; ++i) {
        pilotFields[i].tag = 1 + i;
        pilotNameFields[i].tag = 21 + i;
    }
    toDummyKeyWindow.open = true;
    toDummyKeyWindow.key = true;
}

Window* GameInterface::windowOfButton(int tag, Window* cancelFrom) {
    switch (tag) {
    case kTagPrefsOK: return &toPrefsWindow;
    case kTagAutoMessagesOK: return &toAutoMessagesWindow;
    case kTagMouseFlyingOK: return &toMouseFlying;
    case kTagCancel: return cancelFrom;
    default: return nullptr;
    }
}

}  // namespace pellam
