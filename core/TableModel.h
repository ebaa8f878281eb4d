#pragma once
// A model class built from built-in tables: the shape every drawable object class shares.
// A class describes its tables (ModelTables) and its own values; TableModel makes the records:
// the copies of points and polygons, normals, extents, texture coordinates, texture slots,
// materials and the item list.
#include <vector>

#include "core/ZephModel.h"

namespace pellam {

using TableName = char[32];

// The class's object header image: only ObjectName .. DotDistance are used.
struct ObjectHeaderTable {
    const char* ObjectName;
    int32_t ObjectFlags;
    int32_t StartingObjectFlags;
    std::array<float, 6> InitialPosition;
    int32_t StaticDynamic;
    int32_t NumberOfVertices, AltNumberOfVertices;
    float TooFar, UseAlt, Behind, DotDistance;
};

// One geometry's tables.
struct GeometryTables {
    const char* String;                   // the geometry's name, "<Class>FilePP"
    const TableName* Maps;                // texture names; an entry whose first char is 1 ends the list
    const GLT2FN3FV3FFormat* PointsList;  // last row with U -1
    const OnePolygonVer2* PolyList;       // last row with MapNumber -1
    const uint16_t* RunList;              // used in place
    int PointsCapacity;                   // room of the class's points copy
    int PolygonsCapacity;                 // room of the class's polygon copy
};

struct ModelTables {
    const ObjectHeaderTable* Object;
    GeometryTables Main;
    const TableName* Items;               // item list, ended like the map list; null for none
    const UVFormula* UVHints;             // null: the table's U, V stand for every polygon
};

constexpr char kEndOfNameList = 1;

class TableModel : public ZephModel {
public:
    // Creation: copies and completes the main geometry, fills the header, sets the class's values,
    // loads further geometries, builds the item list and runs doInitialization.
    bool initWithGLView(ViewServices* view) override;

    // Completion of one geometry record: name, the hooks, normals and extents, texture
    // coordinates, texture slots (null view: none are loaded) and default materials.
    void initObjectPoints(ObjectPointsPolysVer2* pp, const char* name, const TableName* maps);

    ObjectPointsPolysVer2& ModelPointsPolys() { return PointsPolys[0]; }
    ObjectPointsPolysVer2& MorePPs(int j) { return PointsPolys[1 + j]; }

    ViewServices* MainGLDrawer = nullptr;
    OneCompleteObjectVer2 ThisModel;
    // [0] the main geometry, [1 + j] alternate j: the renderer's item j is PointsPolys[j].
    std::array<ObjectPointsPolysVer2, kMaxGeometries> PointsPolys{};

protected:
    virtual const ModelTables& tables() const = 0;
    // Creation step for the class's own values: boxes, materials, hit square, points, category.
    virtual void setClassValues() {}
    // Loads further geometries into MorePPs with loadMoreGeometry().
    virtual void loadMoreGeometries() {}
    // Copies the tables of alternate geometry j (0..63) and completes it.
    bool loadMoreGeometry(int j, const GeometryTables& geometry);

private:
    bool copyGeometry(ObjectPointsPolysVer2& pp, const GeometryTables& geometry, int slot);
    void buildItemList();

    // The points and polygons each geometry draws: copies of the class's tables.
    std::array<std::vector<GLT2FN3FV3FFormat>, kMaxGeometries> pointsCopies_;
    std::array<std::vector<OnePolygonVer2>, kMaxGeometries> polygonCopies_;
};

}  // namespace pellam
