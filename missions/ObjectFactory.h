#pragma once
// The object factory: one row of a mission's object list becomes one live object appended to an
// array, so row i is element i. A table maps each object code to the class that makes it (the
// ground objects and armed units register theirs as they come); codes whose class is not built
// yet, and codes no class answers to, get an inert placeholder, so the indexes of every later row
// stay where the mission put them.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "core/ZephModel.h"
#include "missions/MissionRecord.h"
#include "missions/MissionRules.h"

namespace pellam::missions {

// What the factory needs of the game around it.
struct FactoryContext {
    ViewServices* view = nullptr;                      // the objects load their textures here
    std::unique_ptr<ZephModel>* terrain = nullptr;     // the run's one terrain, while outside an array
    ControllerServices* controller = nullptr;
    bool drawDetail = true;
    long* debrisItem = nullptr;                        // gets the debris pool's index
    Draw draw = sharedDraw();
    std::vector<int32_t>* unknownCodes = nullptr;     // gets each code that made only a stand-in
};

// Stands in for an object this game cannot make yet: it answers every operation with the base's
// do-nothing default and remembers the code it was made for.
class PlaceholderObject : public ZephModel {
public:
    explicit PlaceholderObject(int32_t code) : code_(code) {}
    int32_t missionCode() const { return code_; }

private:
    int32_t code_;
};

class ObjectFactory {
public:
    using Make = std::function<std::unique_ptr<ZephModel>()>;
    // Sent to the new object right after it joins the array, before it is placed.
    using Then = std::function<void(ZephModel& object, long index, ModelArray& array)>;

    // Registers every class this library can make; the rest of the known codes are placeholders.
    ObjectFactory();
    // Adds or replaces the class of a code (later ground objects and units register here).
    void registerKind(int32_t code, Make make, Then then = {});
    bool knows(int32_t code) const { return kinds_.count(code) != 0; }
    // A new object of a registered code, not yet initialised or placed; null for an unknown code.
    std::unique_ptr<ZephModel> make(int32_t code) const;

    // The code a row makes: 3 reads 55, above 1000 a random aircraft.
    int32_t resolveCode(int32_t code, const Draw& draw) const;
    // Makes the object of `row`, appends it to `array` and places it.
    void loadCorrectObject(const ObjectForMission& row, ModelArray& array, FactoryContext& context) const;

private:
    struct Kind {
        Make make;
        Then then;
    };
    std::map<int32_t, Kind> kinds_;
};

// The aircraft type code of a flyable aircraft's class (55, 64, 77), 0 for anything else.
int32_t aircraftTypeOf(const ZephModel* model);

}  // namespace pellam::missions
