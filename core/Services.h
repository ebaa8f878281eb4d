#pragma once
// What an object may ask of the world around it: the game controller, the sound object and the
// view it is drawn in. Objects hold plain pointers to these; the controller owns the objects and
// outlives them. Each answer here is the one a missing neighbour gives, so objects can be built,
// stepped and tested without a running game.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pellam {

class ZephModel;
struct aiFlyToPoint;

// The controller's ordered array of every object: 0 sky dome, 1 terrain, 2..9 the eight aircraft
// (aircraft k at k + 2), 10 debris, 11..18 ground explosions, 19 bombs, 20 ground clutter, mission
// objects from 21. at() answers null for any index outside the array, so an index read from a
// file, a packet or another object can be used as it comes.
class ModelArray {
public:
    static constexpr int kSkyDome = 0, kTerrain = 1, kFirstAircraft = 2, kAircraftSlots = 8, kDebris = 10,
                         kFirstExplosion = 11, kBombs = 19, kGroundClutter = 20, kFirstMissionObject = 21;

    ModelArray();
    ~ModelArray();  // out of line: ZephModel is complete only there
    ModelArray(const ModelArray&) = delete;
    ModelArray& operator=(const ModelArray&) = delete;

    ZephModel* at(long index) const {
        return index >= 0 && index < static_cast<long>(models_.size()) ? models_[index].get() : nullptr;
    }
    long size() const { return static_cast<long>(models_.size()); }
    ZephModel* append(std::unique_ptr<ZephModel> model);
    // Replaces the object at `index` (the array grows with empty slots to reach it).
    ZephModel* put(long index, std::unique_ptr<ZephModel> model);
    // Takes an object out of the array, leaving its slot empty.
    std::unique_ptr<ZephModel> take(long index);
    // Index of `model` in the array, -1 when it is not there.
    long indexOf(const ZephModel* model) const;
    void clear();

private:
    std::vector<std::unique_ptr<ZephModel>> models_;
};

class ControllerServices {
public:
    virtual ~ControllerServices() = default;

    virtual ModelArray* getModelArray() { return nullptr; }
    virtual int32_t getGlobalMissionTime() { return 0; }
    virtual bool getReplayFlag() { return false; }
    // The current mission's 200 path points; null where no mission runs.
    virtual const aiFlyToPoint* getFlyToPoints() { return nullptr; }
    virtual void startAnExplosion(const double* position) {}
    // The blast heard from the camera: louder the nearer, up to 5000 ft.
    virtual void doExplosionSound(const double* position) {}
    // True while the game runs, false while it is paused.
    virtual bool isRunning() const { return true; }
    // Ticks per replay step; 0 holds the replay still.
    virtual int32_t getReplaySpeed() { return 1; }
    // The object's index in the model array, 0 when it is not in it.
    virtual long whatsMyNumber(const ZephModel* object) { return 0; }
    virtual void thisObjectDead(long modelIndex, long aircraftNumber) {}
    virtual void checkForBombKills(const double* impact, long droppingModelIndex) {}
    virtual bool isNetworkGame() { return false; }
    // 0..65535: the random start offset's distance and heading (see resetModel).
    virtual int32_t getObjectRandomDistance() { return 0; }
    virtual int32_t getObjectRandomHeading() { return 32768; }
    // The main view's camera position (3 doubles, ft); null where there is none.
    virtual const double* getWhereCamera() { return nullptr; }
};

class SoundServices {
public:
    virtual ~SoundServices() = default;
    // A one-shot sound by number, volume 0..255.
    virtual void PlayASingleSound(int32_t number, int32_t volume) {}
    // Starts, changes or stops (volume 0) the looping sound by number, volume 0..255.
    virtual void SetContinousVolume(int32_t number, int32_t volume) {}
    // Pitch of a looping sound, 16.16 fixed point (65,536 = as recorded).
    virtual void SetEngineAmpRate(int32_t number, int32_t rate) {}
};

class ViewServices {
public:
    virtual ~ViewServices() = default;
    // Loads a texture into the view's table; the slot 0..299, or a negative code on failure.
    virtual int32_t fmGetTextureFromDiskNSString(const std::string& path, int32_t flag, int32_t size, int32_t depth,
                                                 int32_t specialFormatFlag) {
        return -1;
    }
    // The slot drawn for a texture that could not be found anywhere: plainly wrong on screen.
    virtual int32_t missingTextureSlot() { return 0; }
    // A texture that could not be had, for the player to read as well as the log.
    virtual void textureMissing(const std::string& text) {}
};

}  // namespace pellam
