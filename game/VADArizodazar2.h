#pragma once
// The controller that runs: the game's own content on top of GameController. It reads the
// missions, builds the model array from the chosen mission's object list, starts and restarts the
// eight aircraft, signs the pilot in and offers the mission window.
//
// Index: start-up and the world's head (MissionStart.cpp); a new game and the mission start in its
// steps (MissionStart.cpp); aircraft start, placement and restart (AircraftStart.cpp); sign-in,
// menus and the network's settings (VADArizodazar2.cpp); the mission window, the fly actions, the
// menu rules and the user missions (MissionMenu.cpp).
#include <algorithm>
#include <array>
#include <functional>
#include <optional>

#include "builder/MissionBuilder.h"
#include "game/BuilderLink.h"
#include "game/GameController.h"
#include "game/KeptScene.h"
#include "game/LobbyWindows.h"
#include "game/MissionWindows.h"
#include "game/Overlay.h"
#include "flight/AIPilotProfiles.h"
#include "missions/MissionTable.h"
#include "missions/ObjectFactory.h"
#include "missions/UserMissions.h"
#include "net/GamesListClient.h"
#include "net/PublicGames.h"
#include "platform/PngImage.h"

namespace pellam {

class VADArizodazar2 : public GameController {
public:
    struct Content {
        // Makes the sound object; null gives a silent one.
        std::function<std::unique_ptr<ControllerSound>()> makeSound;
        // A fixed world instead of the missions: fills the model array's head (0 sky, 1 terrain,
        // 2..9 aircraft, 10..20 pools) once; a new game then only puts every object back.
        std::function<void(ModelArray&, GameController&)> populateWorld;
        // The run's one terrain; null (or a failed one) leaves the world unmade.
        std::function<std::unique_ptr<ZephModel>()> makeTerrain{};
        ViewServices* objectView = nullptr;  // where the objects load their textures
        std::string missionsFolder{};        // the built-in missions and the map; empty: the resources
        missions::Draw draw{};               // the random source of mission starts; empty: the shared one
        std::string userMissionsFolder{};    // the user's missions; empty: "Necessary Data/Missions/"
    };
    VADArizodazar2(Links links, Content content);
    ~VADArizodazar2() override;

    void awakeFromNib() override;
    std::unique_ptr<ControllerSound> loadSoundGuy() override;
    void preloadGameSpecificItems() override;
    void doPlayerSignIn() override;
    bool handleThisMenu(int tag) override;
    // True for the tags of the mission builder's menu items.
    static bool isBuilderTag(int tag);
    void doAfterPrefsChangeItems() override;
    int32_t getReplaySpeed() override { return replay_.ReplaySpeed; }
    void doFogCeiling() override;
    // The world could not be made (a missing or broken terrain file, say): the game shows `why`
    // in place of its windows and will not fly.
    void reportWorldProblem(std::string why) { mission_.worldProblem = std::move(why); }
    const aiFlyToPoint* getFlyToPoints() override;

    // ---- A new game and the mission start (MissionStart.cpp).
    void newDocument() override;
    // Turns the current mission into a running game. False, with a beep and nothing changed, for
    // a mission that cannot be started (not loaded, or its first 21 objects not the world's head).
    bool StartMission();
    // Why the mission in `slot` cannot be started; empty when it can.
    std::string whyMissionCannotStart(long slot);

    // ---- Aircraft start and restart (AircraftStart.cpp).
    void startThisAircraft(long aircraftNumber, bool fromStart) override;
    void parkAircraft(long n);  // the aircraft of slot n out of play, below the world
    void doAircraftRestart() override;
    void setAircraftRandom(long index, double value) { mission_.TheAircraftRandom[std::clamp(index, 0L, 3L)] = value; }
    double getAircraftRandom(long index) const { return mission_.TheAircraftRandom[std::clamp(index, 0L, 3L)]; }

    // ---- Settings the network hands in.
    void setMissionHash(uint32_t hash, double seconds) {
        lobby_.NetworkMissionHash = hash;
        lobby_.NetworkMissionSeconds = seconds;
    }
    // The host's dogfight rules: dogfight only, air or ground start, the restart type (0 air,
    // 1 ground, 2 random).
    void setDogfightRules(bool dogfightOnly, bool airGroundStart, int32_t restart) {
        mission_.isDogfightOnly = dogfightOnly;
        mission_.DogfightAirGroundStart = airGroundStart;
        mission_.DogfightOnlyRestartType = restart;
    }
    // Both start records of a joiner's slot take its type; slot 0 (ours) and slots outside 1..7 stay.
    void setNetworkAircraftTypeForAircraft(long aircraftNumber, int32_t type);
    // Before a network player's type or team is written into the mission's slot n (1..7), what
    // the mission had there is kept; once that player has gone it goes back, and the slot's
    // aircraft starts again as the mission's own, at once or (`now` false) at the next start.
    void keepMissionAircraft(long n);
    void restoreMissionAircraft(long n, bool now = true);

    // ---- Network play: the lobby's entries (NetworkPlay.cpp).
    // Hosts mission `missionNumber` (a slot of the mission table) on UDP `port`: opens the
    // socket, then starts the mission anew so the joiners get its rules. False, with a beep and
    // network_->startError(), when the port cannot be opened; nothing else then changes.
    bool hostNetworkGame(uint16_t port, long missionNumber);
    // Asks the host at `address` (host order; 127.0.0.1 is 0x7F000001) and `port` to take this
    // pilot in on `team` (1 red, 2 blue, 3 yellow, 4 black) flying `aircraftType` (55 Camel,
    // 64 D.VII, 77 Dr.I). The answer comes in later frames: message line 0 tells the player, and
    // an accepted joiner starts the host's mission by itself. False as hostNetworkGame.
    bool joinNetworkGame(uint32_t address, uint16_t port, int32_t team, int32_t aircraftType);
    // Ends the network game (the end dialog's OK): tells the others, closes the socket, and
    // every player aircraft becomes a local one again.
    void endNetworkGame();

    // ---- The end of a game (Victory.cpp, KillCredit.cpp).
    void checkVictoryConditions(bool fromJoiner) override;
    void killCredit() override;
    void fromMissionEndOkayButton();
    void fromRestartMissionButton();
    void setRestartButton();
    // The host reports its game over; sent in every frame while it lasts.
    void joinerGotEndOfGame();

    // ---- The flight overlay (Overlay.cpp): the texts and veil over this frame.
    void debugchance(Overlay& out);
    void drawLastMessageLine(Overlay& out);  // message line 5, kept by the network object
    void doBlackRedYellowFade(Overlay& out);

    // ---- Pilots: sign-in, statistics, rank (Pilots.cpp).
    void fromPilotSignInMenu();
    // The sign-in window's OK: names and the chosen pilot are stored; the mission list follows.
    void fromPlayerSignInOkay();
    // The way out of pilot records that could not be read: the settings file as it is kept aside,
    // and the records of this run (fresh ones) saved from now on.
    void startFreshPilotRecords();
    void FillInRank(int missionsWon);
    void fromSelectedPlayersStats();
    void fromClearStats();
    void fromCancelClearStats();
    void fromClearStatsOkayButton();
    // The current pilot's won missions ("SuccessfulMTitlesNKey"), empty when there are none.
    std::vector<std::string> completedList() const;
    std::string completedKey() const;
    // Seconds since 1 January 2001 UTC; from the system clock unless another is set.
    double secondsSince2001() const;
    int32_t today() const { return static_cast<int32_t>(secondsSince2001() / 86400.0); }
    void setClockSince2001(std::function<double()> clock) { clockSince2001 = std::move(clock); }

    // ---- The mission window, the dogfight window and the menus (MissionMenu.cpp).
    // A choice in the mission menu by position; a label or a closed campaign mission beeps.
    void fromMissionMenu(int position);
    // Description, aircraft, picture and winds of the mission selected in the menu.
    void fillInMissionDescription();
    // Flies the selected mission with the aircraft chosen in the window.
    void fromFlyMissionButton();
    // Opens the dogfight window set up from the selected mission's record.
    void fromFlyQuickDogfightButton();
    // Stores the dogfight window's set-up in the mission and flies it.
    void fromDoQuickDogfight();
    // Whether the menu item with this tag can be chosen now.
    bool validateMenuItem(int tag);
    std::string networkMenuTitle();
    // "Open <file>" for the builder's file, else the last opened mission; empty when neither exists.
    std::string lastMissionTitle();
    void fromHelpMenu();
    void openAboutPanelPellam();
    // Rebuilds slots 51..200 and the user part of the menu from the user's missions folder.
    void reloadUserMissions();
    // The same with the folder read off the frame thread; a later frame swaps the result in.
    void reloadUserMissionsInBackground();
    // Swaps in a background reload that has finished; the frame calls it.
    void fromTimerLooper(bool gamePause, int32_t missionTime) override;
    bool choosingFlight() const override;
    // Returns once a background reload asked for has been read (swapped in at the next frame).
    void flushUserMissions() { userMissionsReader_.flush(); }
    void checkCampaignsForEnabled();
    bool haveFinished(const std::string& title) const;
    // On a joining machine: the host's mission by its number, a user mission by its hash and date.
    void setMissionNumber(long number);
    // The current mission's record and texts; null when the number names no slot.
    missions::MissionData* currentMission() { return mission_.current(); }
    const missions::MissionTexts* currentMissionTexts() const { return mission_.currentTexts(); }
    // The next game (newDocument) flies `slot`: the mission menu's choice, the host's mission.
    void chooseMission(long slot) { mission_.select(slot); }
    // The next game builds its world again from the mission's record, as after a reload.
    void rebuildWorldOnNextGame() { mission_.forgetBuiltWorld(); }
    // The table of missions: built-in, user and campaign slots.
    missions::MissionTable& missionTable() { return mission_.TheMissions; }

    // ---- The network lobby (Lobby.cpp): the network-game command, its windows' buttons, the
    // unattended host.
    void fromStartNetworkGame();
    void fromHostNetworkGameButton();
    void fromNetworkGameJoinButton();
    // Joins the host typed in the join window; a bad address or port keeps the window open.
    void fromJoinButton();
    void joinAddressEdited();  // a refusal goes once the address is mended
    // Joins the public game of the join table's selected row.
    void buttonAction();
    void fromRefreshButton() { checkForNetworkGames(true); }
    void fromEndNetworkGameOkay();
    void doAutoHost() override;

    // ---- The public games list (PublicGamesList.cpp): the hosted game's announcements, the list
    // fetched for the join window, and the join table's rows.
    void sendHostDataToServer() override;
    void tellServerToEnd() override;
    // A host whose game the list keeps but does not show, shows only in turns, or refuses, or whose
    // announcement had no answer, is told so: once a run each, not at every minute's announcement.
    bool hearGamesListAnswer() override;
    // Fetches the list anew (at most once a minute unless forced) and takes in a fetched page;
    // never waits for the network.
    void checkForNetworkGames(bool force);
    int joinTableRows() const { return lobby_.currentNumberOfPublicGames == 0 ? 1 : lobby_.currentNumberOfPublicGames; }
    // The join table's cell text: 0 row number, 1 host, 2 message, 3 players; "---" otherwise.
    std::string joinTableValue(int column, int row);
    bool joinTableShouldSelectRow(int row);
    // The join window's line over a table of games kept from an earlier list, once a later fetch
    // has failed: why, and that the games may be out of date. Empty otherwise.
    std::string staleGamesNotice() const;
    // The games-list server's base address from the preferences ("" when none is set).
    std::string gamesListBase() const;
    // Bounds each games-list request, connection included, from the next request on.
    void setGamesListTimeout(long ms) { lobby_.gamesListTimeoutMs = ms; }

    // ---- The windows' controls, which the drawing reads and the player's input writes.
    LobbyControls& lobbyControls() { return lobby; }
    MissionWindowControls& missionWindowControls() { return missionWindow; }
    DogfightWindowControls& dogfightWindowControls() { return dogfightWindow; }
    AboutPanelControls& aboutPanel() { return about; }
    Window& badNewsWindow() { return toBadNews; }

    // Later object classes register their codes here.
    missions::ObjectFactory& factory() { return objectFactory; }

    // ---- The mission builder (BuilderLink.cpp): its window's tags come here; while it is open the
    // game is paused, its terrain lent to the builder, and the view shows the builder's scene.
    void fromMBMenu(int tag);
    builder::MissionBuilder& missionBuilder() { return missionBuilder_; }
    bool drawBuilderFrame() override;
    ModelArray* getArrayForTerrain(long* builder) override;
    ViewServices* objectView() const { return content_.objectView; }
    // The terrain kept aside while the model array is rebuilt (or while no mission runs).
    std::unique_ptr<ZephModel> takeKeptTerrain() { return scene_.takeKeptTerrain(); }
    void keepTerrain(std::unique_ptr<ZephModel> terrain) { scene_.keepTerrain(std::move(terrain)); }
    // The run's terrain, whether the world is fixed, the world map.
    const KeptScene& keptScene() const { return scene_; }
    // The user's missions (ending in '/'): the mission builder saves there, the mission menu reads it.
    std::string userMissionsFolder() const;

private:
    void tellGamesListRefusal(const FetchedPage& answer);

    // Declared in this order: the builder is made from the factory and its link.
    LobbyControls lobby;
    MissionWindowControls missionWindow;
    DogfightWindowControls dogfightWindow;
    AboutPanelControls about;
    Window toBadNews{"Mission Missing"};
    bool MenuDefault = false;        // the menus offer nothing until the mission window has opened
    int32_t LastNonMissionBeepTicks = -301;  // ticks; the first missing-mission beep always sounds
    missions::ObjectFactory objectFactory;
    BuilderLink builderLink_{*this};
    builder::MissionBuilder missionBuilder_{objectFactory, &builderLink_, &MBWindowOpen, &MBSavedFlag};
    // The builder's state the menus follow.
    bool& MBTerrainLoadedFlag = missionBuilder_.MBTerrainLoadedFlag;
    int32_t& MBCurrentObject = missionBuilder_.MBCurrentObject;
    std::optional<std::string>& MBFileName = missionBuilder_.MBFileName;
    AIPilotTable AIPilots{};
    std::function<double()> clockSince2001;

    void buildMissionMenu();
    // The mission window shows the current mission, its aircraft in the pop-ups.
    void showCurrentMission();
    std::string missionsFolder() const;
    std::vector<std::string> finishedMissions() const;
    bool flyable(long slot);
    void startChosenFlight(Window& window);
    void decideLoss(int32_t now);
    void showGameOver(const std::string& title, const std::string& text);
    void judgeDogfight(long winner, const std::array<int32_t, 8>& words, int32_t ourTeam, int32_t now);
    // The steps of checkVictoryConditions, in the order it takes them (Victory.cpp says why).
    void countLanding(const FlyableAircraft& ours);
    long tallyKills(std::array<int32_t, 8>& words);
    // A team other than `except` whose kills meet the mission's kill needs; 0 when none does.
    int32_t sideAtKillNeeds(const missions::VictoryConditions& v, int32_t except);
    bool lossWaiting(const missions::VictoryConditions& v, int32_t now);
    bool missionLost(const missions::VictoryConditions& v, const Aircraft& me, int32_t now);
    void markLocationsReached(const missions::VictoryConditions& v, const FlyableAircraft& ours);
    bool winNeedsMet(const missions::VictoryConditions& v, const Aircraft& me);
    bool timeLimitAllowsWin(const missions::VictoryConditions& v, int32_t now);
    void showWin(const missions::MissionData& mission, int32_t now);
    void storeCompletedList(const std::vector<std::string>& list);
    void restartCareer(PilotType& pilot);
    void closeGameOver();
    void fillPilotRow(int i);
    // The overlay's patched templates.
    std::array<uint8_t, 10> frameRateText_{};
    std::array<uint8_t, 16> replayText_{};
    std::array<KillsLineText, 2> killsLines_{};
    // Steps of the mission start (MissionStart.cpp).
    void prepareNetworkGame(missions::MissionData& mission);
    void rebuildModelArray(missions::MissionData& mission);
    void registerTerrainObjects();
    void setSkyAndFog(missions::MissionData& mission);
    double setTimeOfDay(missions::MissionData& mission);
    void startObjects(const missions::MissionData& mission, double hours);
    void handSharedReferences();
    void resetScoring();
    void randomWind(const missions::MissionData& mission);
    void buildWorldHead();
    // Steps of the aircraft start (AircraftStart.cpp).
    bool restartAllowed(const missions::MissionData& mission, long record);
    void setAircraftTeam(long n, const std::array<missions::AircraftInit, 8>& records, long joiner);
    std::array<int, 5> teamCounts(long n, long joiner);
    FlyableAircraft* fitAircraftClass(long n, int32_t type);
    void placeForMission(long n, long m, bool fromStart, const std::array<int, 5>& counts, const QNion& where);
    // The row whose place slot n starts from, and how far beside it (ft): see AircraftStart.cpp.
    struct SideStart {
        long row = 0;
        double abreast = 0.0;
    };
    SideStart startAmongOwnSide(long n, long m, const std::array<missions::AircraftInit, 8>& records);
    void placeForDogfight(long n, bool fromStart, const std::array<int, 5>& counts, const QNion& where);
    bool flownByNetworkPlayer(long n);  // never parked out of play, whatever its row says
    void applySkill(Aircraft& record, int32_t skill);
    int32_t draw() { return draw_(); }

    bool readPort();
    Content content_;
    missions::Draw draw_;
    KeptScene scene_;
    void applyUserMissions(missions::UserMissionScan&& scan);
    std::optional<missions::UserMissionScan> heldUserMissions_;  // read, waiting for no user mission under way
    missions::UserMissionsReader userMissionsReader_;  // last: its reading ends before the rest goes
};

}  // namespace pellam
