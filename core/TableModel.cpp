#include "core/TableModel.h"

#include <algorithm>
#include <cstring>

#include "platform/Beep.h"
#include "platform/Log.h"

namespace pellam {
namespace {

std::string entryName(const TableName& entry) { return std::string(entry, strnlen(entry, sizeof(TableName))); }

void copyName(std::array<char, 32>& to, const char* from) {
    to.fill(0);
    if (from) std::memcpy(to.data(), from, strnlen(from, to.size() - 1));
}

// Rows up to and including the end row, at most `capacity`; the last kept row is made an end row.
template <typename Row, typename IsEnd>
bool copyRows(std::vector<Row>& copy, const Row* table, int capacity, IsEnd isEnd, Row endRow) {
    copy.clear();
    if (!table || capacity <= 0) {
        copy.push_back(endRow);
        return table == nullptr;
    }
    copy.reserve(capacity);
    for (int i = 0; i < capacity; ++i) {
        copy.push_back(table[i]);
        if (isEnd(table[i])) return true;
    }
    copy.back() = endRow;  // the table is longer than its copy: cut it and say so
    return false;
}

}  // namespace

bool TableModel::copyGeometry(ObjectPointsPolysVer2& pp, const GeometryTables& geometry, int slot) {
    GLT2FN3FV3FFormat endPoint{-1.0f, 0, 0, 0, 0, 0, 0, 0};
    OnePolygonVer2 endPolygon;
    endPolygon.MapNumber = -1;
    const bool pointsFit = copyRows(pointsCopies_[slot], geometry.PointsList, geometry.PointsCapacity,
                                    [](const GLT2FN3FV3FFormat& p) { return p.U < 0.0f; }, endPoint);
    const bool polygonsFit = copyRows(polygonCopies_[slot], geometry.PolyList, geometry.PolygonsCapacity,
                                      [](const OnePolygonVer2& p) { return p.MapNumber == -1; }, endPolygon);
    if (!pointsFit || !polygonsFit) {
        platform::logMessage(std::string("Geometry ") + (geometry.String ? geometry.String : "?") +
                             " is larger than its copy and was cut short.");
        platform::SystemBeep();
    }
    pp.ThePoints = pointsCopies_[slot].data();
    pp.ThePolygons = polygonCopies_[slot].data();
    pp.TheAltPolygons = nullptr;
    pp.RunItems = geometry.RunList;
    return pointsFit && polygonsFit;
}

bool TableModel::initWithGLView(ViewServices* view) {
    const ModelTables& t = tables();
    MainGLDrawer = view;
    ThisModel.ThePointsPolysData = PointsPolys.data();
    ThisModel.NumberOfPointsPolys = 1;
    live.attitude.QAttitude = {1.0, 0.0, 0.0, 0.0};

    copyName(ModelPointsPolys().PointsPolysName, t.Main.String);
    copyGeometry(ModelPointsPolys(), t.Main, 0);
    initObjectPoints(&ModelPointsPolys(), t.Main.String, t.Main.Maps);

    Object3DData& header = ThisModel.TheObject;
    header = Object3DData{};
    if (t.Object) {
        copyName(header.ObjectName, t.Object->ObjectName);
        header.ObjectFlags = t.Object->ObjectFlags;
        header.StartingObjectFlags = t.Object->StartingObjectFlags;
        header.InitialPosition = t.Object->InitialPosition;
        header.StaticDynamic = t.Object->StaticDynamic;
        header.NumberOfVertices = t.Object->NumberOfVertices;
        header.AltNumberOfVertices = t.Object->AltNumberOfVertices;
        header.TooFar = t.Object->TooFar;
        header.UseAlt = t.Object->UseAlt;
        header.Behind = t.Object->Behind;
        header.DotDistance = t.Object->DotDistance;
    }
    if (!(header.ObjectFlags & 0x20)) ModelPointsPolys().OverallSizeDistance = 0.0f;  // cannot be hit

    setClassValues();
    loadMoreGeometries();
    buildItemList();
    doInitialization();
    return true;
}

bool TableModel::loadMoreGeometry(int j, const GeometryTables& geometry) {
    if (j < 0 || j + 1 >= kMaxGeometries) return false;
    ObjectPointsPolysVer2& pp = MorePPs(j);
    const bool fits = copyGeometry(pp, geometry, j + 1);
    initObjectPoints(&pp, geometry.String, geometry.Maps);
    ThisModel.NumberOfPointsPolys = std::max(ThisModel.NumberOfPointsPolys, j + 2);
    return fits;
}

void TableModel::initObjectPoints(ObjectPointsPolysVer2* pp, const char* name, const TableName* maps) {
    if (name) copyName(pp->PointsPolysName, name);
    beforeLightTexture3DPointChangesFor(pp);
    FillInObjectPolyData2(pp);
    if (const UVFormula* hints = tables().UVHints) TextureThesePolygonsNew(pp, hints);
    afterLightTexture3dPointChangesFor(pp);

    if (MainGLDrawer && maps)
        for (int k = 0; k < kMaxMapEntries && maps[k][0] != kEndOfNameList; ++k)
            pp->MapListOffset[k] = static_cast<int16_t>(loadNamedTexture(MainGLDrawer, entryName(maps[k])));

    for (MaterialLightData& m : pp->MaterialLightingData)
        m = MaterialLightData{1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 100};
}

void TableModel::buildItemList() {
    const TableName* items = tables().Items;
    if (!items) return;
    static const unsigned char kDeadOnGround[] = "\x18kStartOfDeadOnGroundList";
    auto& codes = ThisModel.TheObject.AnimateItems;
    for (int k = 0; k < kMaxAnimateItems && items[k][0] != kEndOfNameList; ++k) {
        const std::string_view entry(items[k], sizeof(TableName));
        if (compareStringSp(kDeadOnGround, entry)) {
            codes[k] = kItemStartDeadOnGround;
        } else {
            int found = -1;
            for (int j = 0; j + 1 < kMaxGeometries && found < 0; ++j)
                if (std::memcmp(MorePPs(j).PointsPolysName.data(), items[k], sizeof(TableName)) == 0 &&
                    MorePPs(j).ThePoints)
                    found = j;
            if (found < 0) continue;  // no such geometry: the entry stays as it was
            codes[k] = static_cast<int16_t>(found + 1);
        }
        if (k + 1 < kMaxAnimateItems) codes[k + 1] = kItemEndOfList;
    }
}

void ZephModel::setCurrentAnimateItem(OneCompleteObjectVer2* object, int32_t time) {
    Object3DData& o = object->TheObject;
    const auto& items = o.AnimateItems;
    if (time == 0) time = 1;
    o.CurrentAnimateItem = 0;
    const int frameTime = std::max<int>(o.AnimateFrameTime, 1);
    auto indexOf = [&](std::initializer_list<int> codes, int from) {
        for (int i = from; i < kMaxAnimateItems; ++i)
            if (std::find(codes.begin(), codes.end(), items[i]) != codes.end()) return i;
        return -1;
    };

    const bool alive = o.GlobalDeadTime == 0 || o.GlobalDeadTime > time;
    if (alive) {
        if (!(o.ObjectFlags & 0x4)) return;
        int n = 0;
        while (n < kMaxAnimateItems && items[n] >= 0) ++n;
        if (n == 0) return;
        const int item = (time / frameTime) % n;
        o.CurrentAnimateItem = static_cast<int16_t>(item >= 0 && item < kMaxAnimateItems ? item : 0);
        return;
    }

    const double height = object->ObjectMatrix[13];
    int first = -1, end = -1;
    if ((o.ObjectFlags & 0x10) && height > o.GroundAltitude + 3.0) {
        const int start = indexOf({kItemStartFalling}, 0);
        if (start >= 0) {
            first = start + 1;
            end = indexOf({kItemEndFalling, kItemEndOfList, kItemStartDeadOnGround}, first);
        }
    } else if ((o.ObjectFlags & 0x400) && height <= o.GroundAltitude + 3.0 && indexOf({kItemNoGroundSequence}, 0) < 0) {
        const int start = indexOf({kItemStartDeadOnGround}, 0);
        if (start >= 0) {
            first = start + 1;
            end = indexOf({kItemEndDeadOnGround, kItemEndOfList}, first);
        }
    }
    if (first < 0 || end < 0) return;
    const int k = (time - o.GlobalDeadTime) / frameTime;
    const int item = first + k < end ? first + k : end - 1;  // plays once, then holds its last item
    if (item < 0 || item >= kMaxAnimateItems) {
        platform::SystemBeep();
        return;
    }
    o.CurrentAnimateItem = static_cast<int16_t>(item);
}

}  // namespace pellam
