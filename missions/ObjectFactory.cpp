#include "missions/ObjectFactory.h"

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "aircraft/ObjectTestFile.h"
#include "objects/AllBombs.h"
#include "objects/ArmedObjects.h"
#include "objects/Bomber.h"
#include "objects/Debris.h"
#include "objects/FrenchHouse.h"
#include "objects/GroundClutter.h"
#include "objects/GroundExplosion.h"
#include "objects/StaticObjects.h"
#include "objects/Tanks.h"
#include "objects/TruckWWI.h"
#include "platform/Log.h"
#include "world/FirstCloud.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

namespace pellam::missions {
namespace {

constexpr int32_t kTerrainCode = 54, kDebrisCode = 4;

template <class T> ObjectFactory::Make maker() {
    return [] { return std::make_unique<T>(); };
}

}  // namespace

ObjectFactory::ObjectFactory() {
    registerKind(1, maker<TexturedSkyDome>());
    registerKind(5, maker<FirstCloud>());
    registerKind(55, maker<ObjectTestFile>());
    registerKind(64, maker<FokkerDVII>());
    registerKind(77, maker<FokkerDr1>());
    registerKind(4, maker<Debris>());
    registerKind(10, maker<GroundExplosion>());
    registerKind(11, maker<AllBombs>());
    registerKind(13, maker<GroundClutter>());
    registerKind(61, armed::createArmedBalloon);
    registerKind(62, armed::createArmedBalloonA);
    registerKind(65, armed::createFlakGun);
    registerKind(66, armed::createUnarmedBalloon);
    registerKind(67, armed::createUnarmedBalloonA);
    registerKind(74, armed::createMachineGunPost);
    // The static ground objects.
    registerKind(56, maker<BigOpenHangarWWI>());
    registerKind(57, maker<SmallCanvasHangarWWI>());
    registerKind(58, maker<SmallWoodBuildingWWI>());
    registerKind(59, maker<SmallWoodBuilding2WWI>());
    registerKind(60, maker<WindSockWWI>());
    registerKind(68, maker<RacePylon>());
    registerKind(69, maker<BridgeWWI>());
    registerKind(70, maker<BridgeSpWWI>());
    registerKind(71, maker<FrenchHouseWWI>());
    registerKind(72, maker<FrenchHouse2WWI>());
    registerKind(73, maker<Crater>());
    // The lorries 14, 16 and 63 and the tanks 75 and 76; the livery or skin follows the code.
    const auto modelType = [](int32_t code) {
        return [code](ZephModel& object, long, ModelArray&) { static_cast<GroundVehicle&>(object).setModelType(code); };
    };
    for (int32_t code : {14, 16, 63}) registerKind(code, maker<TruckWWI>(), modelType(code));
    registerKind(75, maker<TankWWI>(), modelType(75));
    registerKind(76, maker<Tank2WWI>(), modelType(76));
    // The bomber: 78 in American colours, 79 in British.
    for (int32_t code : {78, 79}) {
        registerKind(code, maker<AircoDH4>(), [code](ZephModel& object, long, ModelArray&) {
            static_cast<AircoDH4&>(object).setAmerOrBrit(code == 78 ? 1 : 2);
        });
    }
}

void ObjectFactory::registerKind(int32_t code, Make make, Then then) { kinds_[code] = {std::move(make), std::move(then)}; }

std::unique_ptr<ZephModel> ObjectFactory::make(int32_t code) const {
    auto kind = kinds_.find(code);
    return kind == kinds_.end() ? nullptr : kind->second.make();
}

int32_t aircraftTypeOf(const ZephModel* model) {
    if (dynamic_cast<const ObjectTestFile*>(model)) return 55;
    if (dynamic_cast<const FokkerDVII*>(model)) return 64;
    if (dynamic_cast<const FokkerDr1*>(model)) return 77;
    return 0;
}

int32_t ObjectFactory::resolveCode(int32_t code, const Draw& draw) const {
    if (code == 3) return 55;
    if (code > 1000) return selectAircraftTypeRandomly(draw);
    return code;
}

void ObjectFactory::loadCorrectObject(const ObjectForMission& row, ModelArray& array, FactoryContext& context) const {
    const int32_t code = resolveCode(row.ObjectCode, context.draw);
    ZephModel* object = nullptr;
    if (code == kTerrainCode && context.terrain && *context.terrain) {
        if (auto* grid = dynamic_cast<RIDUdidav*>(context.terrain->get())) grid->setGL(context.view);
        object = array.append(std::move(*context.terrain));
        object->setDrawDetail(context.drawDetail);
    } else if (auto kind = kinds_.find(code); kind != kinds_.end()) {
        std::unique_ptr<ZephModel> made = kind->second.make();
        made->initWithGLView(context.view);
        object = array.append(std::move(made));
        if (kind->second.then) kind->second.then(*object, array.size() - 1, array);
    } else {
        // An unknown code (or a second terrain row) still takes its row's index.
        platform::logMessage("Mission object code " + std::to_string(row.ObjectCode) + " makes nothing here; row " +
                             std::to_string(array.size()) + " holds an inert object");
        object = array.append(std::make_unique<PlaceholderObject>(row.ObjectCode));
        if (context.unknownCodes && code != kTerrainCode) context.unknownCodes->push_back(row.ObjectCode);
    }
    if (code == kDebrisCode) {
        if (context.debrisItem) *context.debrisItem = array.size() - 1;
        if (ZephModel* pool = array.at(ModelArray::kDebris)) pool->setDebrisSizeMin(1.0, 3.0);
    }

    double y = row.Location[1];
    if (y < 0.0)
        if (ZephModel* ground = array.at(ModelArray::kTerrain); ground && ground != object)
            y = ground->getAltitudeAtX(row.Location[0], row.Location[2]);
    const QNion level;
    object->setStartingModelQNionX(row.Location[0], y, row.Location[2], &level);
    object->setObjectGroundAltitude(y);
    if (row.Heading != 0.0) {
        object->rotateHeadingByDegrees(row.Heading);
        object->copyCurrentQNionToStart();
    }
    object->setOPPHeading(row.Heading);
    object->setObjectSpeedMPH(row.SpeedMPH);
    object->setTeam(row.Team);
    object->setObjectPoints(row.Points);
    object->setaController(context.controller);
    if (row.SubType != 0) {
        auto* cloud = dynamic_cast<FirstCloud*>(object);
        if ((row.SubType & 1) && cloud) cloud->makeACulmulus(row.Seed);
        if ((row.SubType & 8) && cloud) cloud->makeAFlatishCloud(row.Seed);
        if (row.SubType & 2) object->setTerrain(array.at(ModelArray::kTerrain));
    }
}

}  // namespace pellam::missions
