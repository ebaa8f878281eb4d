#pragma once
// Drawing of the terrain, the sky dome and the clouds with fixed-function OpenGL.
//
// Every drawer works eye-relative: the caller loads the projection, and a modelview matrix that
// holds the camera's rotation alone; positions are sent as (world - eye), so that floats keep
// their precision three million feet from the origin. Texture slots are turned into GL texture
// names by the caller's view (the slot table belongs to the renderer). Each drawer sets the GL
// state it relies on and leaves depth writes on, blending and alpha test off.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "core/GeometryRecords.h"
#include "world/FirstCloud.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"
#include "world/draw/DomeShortcuts.h"
#include "world/draw/FarBlocks.h"
#include "world/draw/PictureLevels.h"
#include "world/draw/PixelCentres.h"
#include "world/draw/RoadShape.h"
#include "world/draw/ScreenCover.h"

namespace pellam::worlddraw {

// The sky dome's lowest elevation when nothing of it is left out (radians).
constexpr double kWholeDome = -1.5707963267948966;

struct Eye {
    double X = 0, Y = 0, Z = 0;  // ft, world
};

using GLNameOfSlot = std::function<uint32_t(int32_t slot)>;

class ViewFrustum;  // the loaded view, eye-relative

// A vertex of the ground as glInterleavedArrays(GL_T2F_V3F) reads it: the ground is drawn unlit,
// so it carries no normal.
struct GroundVertex {
    float U, V;     // picture coordinate
    float X, Y, Z;  // eye-relative position, ft
};
static_assert(sizeof(GroundVertex) == 20, "GL_T2F_V3F needs 5 packed floats");

// The loaded perspective view drawn through a viewport kWidening times the window's size each way
// about the same centre, under a projection whose x and y are divided by as much, and cut back to the
// window and to any scissor box already set by the scissor: each vertex lands where it did, while the
// GL clips only what reaches that far past the window (and at the near and far planes). A triangle no
// longer clipped at the window's edge is interpolated from its own corners rather than cut ones: a
// level off here and there, so not for the plain drawing. Viewport, scissor and projection are
// restored as they were by restore() or on leaving.
class WidenedView {
public:
    static constexpr double kWidening = 4.0;  // a power of two
    WidenedView() = default;
    WidenedView(const WidenedView&) = delete;
    WidenedView& operator=(const WidenedView&) = delete;
    ~WidenedView() { restore(); }
    static bool possible();  // whether the loaded view can be widened
    bool widen();            // only where possible() and no other is in force: whether it is
    void restore();
    // The projection and viewport that place the drawing on the window: while a view is widened,
    // the ones it widened, as they were.
    static void loaded(std::array<double, 16>& projection, std::array<int, 4>& viewport);

private:
    static inline const WidenedView* InForce = nullptr;
    bool Widened = false, Scissor = false;
    std::array<float, 16> Projection{};
    std::array<int, 4> Viewport{}, Box{};
};

// Which of the terrain's decks a draw takes (bit k: layer k), and where the depths they are
// tested against may hold objects as well as the ground: window bounds (px: x0, y0, x1, y1) that
// hold every pixel centre the objects may have lit; none where x0 > x1. There every deck keeps
// the depth test.
struct DeckChoice {
    uint32_t Layers = ~0u;
    std::array<double, 4> Depths{1e300, 1e300, -1e300, -1e300};
};

class TerrainDrawer {
public:
    static constexpr double kDetailDistance = 7000.0;  // ft: the detail map stops here

    // The terrain out to its fog distance in runs of one texture each and the road pieces over
    // it; near the eye, when the terrain's detail is on, a second texture unit multiplies the
    // ground and the roads by twice the detail map in the same pass. Linear fog ends at the fog
    // distance; the fog colour is the caller's. Leaves the depth buffer holding the ground, so
    // that a sky drawn behind it fills only what the ground left open.
    // `light` tints the ground: the sky's daylight. Squares wholly behind the `cover`, which is
    // drawn over them later with opaque colour, are left out. Far squares may be drawn in their
    // picture's mean colour (DrawsInMean).
    void draw(const RIDUdidav& terrain, const Eye& eye, const GLNameOfSlot& glName,
              const std::array<float, 3>& light = {1.0f, 1.0f, 1.0f}, const ScreenCover* cover = nullptr);
    // The cloud decks of the terrain's layers, seen from the eye, fogged by their distance; the
    // `cover` drawn over them later hides what it holds. Each piece is drawn under each of the
    // disjoint scissor `boxes` in turn (x, y, width, height, px; at most 16; none: as the scissor stands).
    void drawCloudLayers(const RIDUdidav& terrain, const Eye& eye, const GLNameOfSlot& glName,
                         const std::array<float, 3>& light, const ScreenCover* cover = nullptr,
                         std::span<const std::array<int, 4>> boxes = {}, DeckChoice choice = {});
    long trianglesDrawn() const { return Triangles; }
    long squaresCovered() const { return Covered; }  // in view but wholly behind the cover, at the last draw
    long trianglesUnlit() const { return Unlit; }     // in view but lighting no pixel centre, at the last draw
    long decksApart() const { return DecksApart; }    // deck sides whose near part went unfogged, at the last draw
    long decksFoggedInVertices() const { return DecksFoggedInVertices; }  // deck draws fogged in their vertices, at the last draw
    long decksUntested() const { return DecksUntested; }  // deck sides drawn without the depth test, at the last draw
    long decksMagnified() const { return DecksMagnified; }  // deck sides with a part read unmipped, at the last draw
    long squaresCutAnew() const { return CutAnew; }   // far ground squares cut along their other diagonal, at the last draw
    long trianglesInMean() const { return InMean; }   // far ground triangles drawn in their picture's mean, at the last draw
    long blocksMerged() const { return Merged; }  // blocks of far squares drawn whole in their mean, at the last draw
    // After draw: the elevation (radians, negative: below the horizon) under which every pixel of
    // the view shows the ground just drawn; -pi/2 when that cannot be told.
    double lowestOpenElevation() const { return LowestOpenElevation; }

    // Road squares nearer than this are drawn as the triangles of their picture's road shape,
    // farther ones (small on the screen, many) as whole squares: the same pixels either way.
    double RoadShapeDistance = 24000.0;  // ft
    // The plain drawing, for a reference picture: every road square drawn, none left out where its
    // picture can no longer pass the alpha test, and every deck side drawn whole.
    bool Exact = false;
    // A deck's part nearer than the fog's start drawn apart without fog where enough of it shows
    // round the cover to pay for the extra edge (not in the plain drawing: where the two
    // parts meet, a pixel may read its picture a level apart). Off to compare.
    bool UnfoggedDeckPieces = true;
    // The part of a deck near enough overhead that its picture is magnified on every pixel drawn
    // apart and read without its mip levels, which the GL would not choose there (not in the plain
    // drawing: where the parts meet, a pixel may round apart). Off to compare.
    bool MagnifiedDecksUnmipped = true;
    // A deck's one colour sent with its vertices and held flat rather than left current: the
    // rasteriser sets it up once a triangle instead of reading a constant at every pixel. The
    // same pixels; off in the plain drawing and to compare.
    bool DeckColourInVertices = true;
    // With it, a deck's fogged pieces carry the fog in their vertices' colours: the picture times
    // the colour scaled by the fog's factor, plus the fog's colour times the rest as the secondary
    // colour, cut where the fog starts and ends, between which the factor is affine. The GL's
    // linear fog, worked out at the corners instead of at every pixel: the same pixels, rounding
    // apart. Off in the plain drawing and to compare.
    bool DeckFogInVertices = true;
    // A cut where the fog starts or ends that shows costs the rasteriser about this for each pixel
    // of its length on the window (instructions, measured): a row of partly covered blocks each
    // side of it. A deck's fog goes in its vertices only where that saves more than its cuts cost.
    double DeckFogCutCost = 500.0;
    // Work that cannot change a pixel, each skipped by a switch of its own, each off to compare:
    // far ground triangles (and their roads) that light no pixel centre are not sent
    // (UnlitTriangles.cpp); ground nearer than the fog's start, where its factor is one, is drawn
    // without fog; a deck that the ground cannot reach where the depth buffer holds the ground
    // alone is drawn without the depth test (DeckOverGround.cpp); in full daylight the ground's
    // pictures are drawn as they are, not modulated by white; a far road square whose picture reads
    // only levels no texel of which passes the alpha test is left out (SquareLevels.cpp); squares
    // wholly behind the cover are left out (CoveredGround.cpp); near road squares are drawn as
    // their picture's road shape (RoadShape.h).
    bool LeavesUnlitOut = true;
    bool UnfogsNearGround = true;
    bool DecksUntestedOverGround = true;
    bool DaylightAsIs = true;
    bool LeavesBlankRoadsOut = true;
    bool LeavesCoveredOut = true;
    bool ShapesRoads = true;
    // Unless Exact, the ground and the decks are drawn through a WidenedView. Off to compare.
    bool WidensView = true;
    // Unless Exact, flat far squares are cut along the diagonal nearer the line of sight, which
    // spans fewer pixels across the screen (the same surface, rounding apart). Off to compare.
    bool CutsAlongTheSight = true;
    // Unless Exact, a far square whose picture, at every mip level the GL can read across it, lies
    // within MeanBound levels of its mean in each channel (tinted as the ground is) is drawn
    // untextured in that mean: the rasteriser then reads no texel there. Off to compare.
    bool DrawsInMean = true;
    // Levels of 255. Looser, a far field's grain (a few levels either way, which one sees) would
    // go flat: by day and under a low sun, more than 1 % of the ground's 16 x 16 blocks of the
    // tests' views kept less than half their contrast at 14.
    double MeanBound = 8.0;
    // With DrawsInMean, the fog's share counts: a pixel of fogged ground is the fog's colour mixed
    // with its own by the GL's fog factor, by which a texel's distance from the mean shrinks too,
    // so a square whose factor is at most a across it (it is greatest at its corner nearest in
    // depth) may read levels within MeanBound / a of the mean. Off to compare.
    bool MeanCountsTheFog = true;
    // Unless Exact, with DrawsInMean, an aligned block of 2, 4 or 8 squares across, all far squares
    // drawn in their picture's mean, lit and without a road drawn over them, is drawn
    // whole, in a few triangles rather than two a square, reading each square's mean from a colour
    // map of one texel a square (GL_NEAREST): where its posts lie within MergedShift of a pixel of
    // one plane, every triangle of it faces the eye, and its squares' means, times what the fog
    // leaves of them, lie within MergedSpread levels (a pixel on a square's edge may take its
    // neighbour's: up to 15, such a pixel stays within 16 levels of the plain drawing's in the
    // tests' views, where 16 moves one beyond). Its sides pass through every post a neighbour of
    // another size has there, so no T-junction opens a pixel. Which squares are lit is told against
    // the whole viewport, so under a scissor box the same blocks are merged. Off to compare.
    bool MergesFarBlocks = true;
    double MergedShift = 0.25;   // px
    double MergedSpread = 15.0;  // levels of 255

private:
    using Vertex = GroundVertex;
    // The draw's steps in order (TerrainDraw.cpp), from what it works out at its start and per square.
    struct Frame;
    struct SquareLook;
    void clearDraw();
    void preparePictures(const RIDUdidav& t, const GLNameOfSlot& glName, const std::array<float, 3>& light, Frame& f);
    bool placeReach(const RIDUdidav& t, const Eye& eye, Frame& f);  // false: no square within reach
    void prepareView(const ScreenCover* cover, Frame& f);
    void prepareFog(Frame& f);
    void chooseSquares(const RIDUdidav& t, const Eye& eye, Frame& f);
    void chooseSquare(const RIDUdidav& t, const Eye& eye, int i, int j, double d, Frame& f);
    // In its picture, in its mean colour, or fogged in its stage; its roads blank or not.
    void chooseFarDrawing(const RIDUdidav& t, const Eye& eye, int i, int j, double d, float low, float high,
                          const Frame& f, SquareLook& look);
    void findLowestOpenElevation(const RIDUdidav& t, const Eye& eye, const Frame& f);
    void setGroundState(const std::array<float, 3>& light, const Frame& f);
    void drawPasses(const RIDUdidav& t, const GLNameOfSlot& glName, const std::array<float, 3>& light, const Frame& f);
    // The road pieces over square (i, j), `d` ft away: each road edge covered by a straight piece or a bend.
    void addRoads(const RIDUdidav& t, const Eye& eye, int i, int j, double d, const SquareLook& look);
    // The window's rectangles and the margin the unlit triangles are told against.
    void prepareUnlitTest(const ViewFrustum& view);
    // Every far run's flat squares cut along the diagonal nearer the sight (CutAlongTheSight.cpp).
    void cutRunsAlongTheSight();
    // The squares of one texture: those beyond the detail distance, and those within it with
    // their detail-map coordinates (two floats a vertex); each as vertices and their triangles.
    struct Run {
        std::vector<Vertex> Far, Near;
        std::vector<uint32_t> FarTriangles, NearTriangles;
        std::vector<float> NearDetail;
        std::vector<uint8_t> FarCodes;  // per far vertex of a run of many pictures: its ground code
        void clear() {
            Far.clear(), Near.clear(), FarTriangles.clear(), NearTriangles.clear(), NearDetail.clear(), FarCodes.clear();
        }
    };

    // A picture's texels across and the number of its last level (-1: the GL's choice of level
    // cannot be told).
    struct Levels {
        int Size = 0, Last = -1;
    };
    static Levels soundLevels();  // of the bound picture

    // A ground picture as last read: its GL name, levels and their colours, and how far below a
    // level's number the GL's level of detail may lie and still read that level alone.
    struct GroundPicture {
        uint32_t Texture = 0;
        Levels Sizes;
        std::vector<LevelColours> Colours;
        double Reach = 0;
    };
    void prepareGroundPictures(const uint32_t* textures);
    // Per fog band and ground code, the least squares a pixel step spans from which a far square
    // whose fog factor is at most the band's reads only levels within the bound of the mean over
    // that factor (+infinity: none; 0: every level), and that mean as drawn.
    void prepareMeans(const std::array<float, 3>& light, bool daylight);
    // The bands' fog factors, halving every kBandsPerHalving bands: band 0 takes no credit for the
    // fog; the last, 2^-4.75, leaves less than 10 levels of a texel 255 levels from the mean.
    static constexpr int kBandsPerHalving = 4, kFogBands = 20;
    static double fogBandFactor(int band);
    int FogBands = 1;  // those worked out at this draw
    // Per band, the least eye depth at which the fog's factor is the band's or less: a square whose
    // nearest corner lies that deep takes the band's credit.
    std::array<double, kFogBands> BandDepths{};
    std::array<GroundPicture, world::kGroundCodes> GroundPictures;
    std::array<std::array<double, world::kGroundCodes>, kFogBands> MeanFrom{};
    std::array<std::array<float, 3>, world::kGroundCodes> MeanColours{};
    // A quarter of a level of slack on the GL's level of detail: its fast logarithm reads up to
    // 0.09 low, and a far square's steps, taken at its corners, may dip a little between them.
    static constexpr double kLodSlack = 0.25;

    static Vertex post(const RIDUdidav& t, const Eye& eye, int pi, int pj);  // its position
    // Square (i, j) into the run: of its two triangles, (0,0) (1,0) (1,1) and (0,0) (1,1) (0,1),
    // those whose bit (1, 2) is in `lit`.
    void addSquare(const RIDUdidav& t, const Eye& eye, int i, int j, int turns, bool worldUV, double uvScale,
                   bool near, Run& out, int lit = 3);
    void addRoad(const RIDUdidav& t, const Eye& eye, int i, int j, int turns, int kind, double distance, bool near,
                 int lit);
    // Of square (i, j)'s two triangles, as bits for addSquare, those that may light a pixel centre
    // of the viewport; in `drawable`, those that may light one the draw may touch (within the
    // scissor box).
    int litTriangles(const RIDUdidav& t, const Eye& eye, int i, int j, const ViewFrustum& view, int& drawable);
    // Whether the triangle between three posts may light a pixel centre the draw may touch.
    bool mayLight(const RIDUdidav& t, const Eye& eye, const std::array<std::array<int, 2>, 3>& posts,
                  const ViewFrustum& view);
    // Squares whose depth across the line of sight may span fewer pixels than this are looked at:
    // a wider bound projects many squares to find few that light nothing.
    static constexpr double kThinPixels = 1.5;
    // The post's place in the window, projected once a draw; false where it cannot be told
    // (near or behind the eye, or far off the window where the GL clips).
    bool postInWindow(const RIDUdidav& t, const Eye& eye, int pi, int pj, const ViewFrustum& view, WindowPoint& at);
    void prepareRoadShapes(const std::array<uint32_t, 2>& textures);
    // Runs by picture.
    template <size_t N>
    void drawRuns(const std::array<Run, N>& runs, const uint32_t* textures, bool near);
    // A far run drawn untextured, each vertex in its picture's mean colour; `fogged` as the GL's fog
    // is on.
    void drawMeanRun(const Run& run, bool fogged);
    // Per vertex of a run: its colour fogged, and not (RGBA). Floats: a colour rounded at the
    // corners would no longer be affine across the plane, and a square cut along its other
    // diagonal could then round a level apart.
    std::vector<float> MeanShades, MeanPlain;
    std::vector<uint8_t> FogInside;                  // per vertex of a run: within the fog's start and end
    std::vector<uint32_t> FogAtCorners, FogByGL;     // a run's triangles fogged at their corners, and by the GL
    std::vector<float> FogShares;                    // per vertex of a run: (the fog's colour, the fog's share)
    std::array<Run, world::kGroundCodes> Runs;
    std::array<Run, world::kGroundCodes> ClearRuns;  // far squares all nearer than the fog's start
    // The far squares drawn in their mean, of every picture.
    Run MeanRuns, ClearMeanRuns;
    // The far squares that may be drawn in merged blocks: (i, j, key, ground code, triangles lit
    // within the scissor box as bits for addSquare), keyed by fog (1: fogged, 2: nearer than the
    // fog's start); the grid round them, and the blocks made of them. Which squares may be merged,
    // and which are, is told against the whole viewport, so that a part of the view drawn under a
    // scissor box shows what the whole view drawn at once shows there; the box only leaves out the
    // triangles that light no pixel centre within it.
    std::vector<std::array<int, 5>> Candidates;
    BlockGrid MergeGrid;
    static constexpr long kLeastTrianglesSaved = 64;  // by the blocks of one draw, or none are drawn
    std::vector<uint8_t> MapCodes, BoxLit;  // per square of MergeGrid: ground code, lit within the box
    std::vector<std::array<PostOffset, 3>> BlockTriangles;
    Run BlockRun, ClearBlockRun;  // the merged blocks, fogged and nearer than the fog's start
    // The colour map the blocks read, one texel a square of MergeGrid (GL_NEAREST), as made and as
    // last loaded, at the lower left of a picture whose sides are powers of two: the software
    // rasteriser builds its sampling code anew for each mix of sides that are and are not, which a
    // grid changing size in flight would otherwise ask of it mid-frame.
    static int mapSide(int squares) { return int(std::bit_ceil(unsigned(std::max(squares, 1)))); }
    uint32_t ColourMap = 0;
    std::array<int, 2> MapSize{};   // the picture's sides
    std::array<int, 2> MapGrid{};   // the squares its texels last held
    std::vector<uint8_t> MapTexels, MapLoaded;
    // Draws the merged blocks; GL state as it was.
    void drawBlocks();
    void bindColourMap();  // made, or loaded again, as the squares' means now stand
    // Merges the candidates into blocks under linear fog from `fogStart` to `fogEnd` (eye depth,
    // ft): the blocks into BlockRun and ClearBlockRun, the squares left into the mean runs.
    void addMergedSquares(const RIDUdidav& t, const Eye& eye, const ViewFrustum& frustum, double fogStart,
                          double fogEnd);
    struct BlockRules;  // which blocks merge and how their sides are cut (MergedBlocks.cpp)
    void fillMergeGrid();  // from the candidates
    // The block's triangles into its run; their number.
    long addBlock(const BlockRules& rules, int i, int j, int size, bool farClear);
    static constexpr double kStraightShift = 0.01;  // px: a block's side drawn straight lies this close to its posts
    struct DeckPass;  // a frame's cloud decks as they are drawn (DeckParts.h)
    std::array<Run, 2> Roads;  // the straight pieces, the bends
    std::array<RoadShape, 2> RoadShapes;
    std::array<uint32_t, 2> RoadShapeTextures{};  // the GL textures the shapes were read from
    // Per road picture: its levels, and the first level from which on no texel passes the alpha
    // test (none: past the last).
    std::array<Levels, 2> RoadLevels;
    std::array<int, 2> RoadBlankLevel{};
    long Triangles = 0;
    long DecksApart = 0;
    long DecksFoggedInVertices = 0;
    long DecksUntested = 0;
    long DecksMagnified = 0;
    long CutAnew = 0;
    long InMean = 0;
    long Merged = 0;
    long Covered = 0;
    long Unlit = 0;
    // Where the ground may draw this time (the viewport within the scissor box), the viewport, and
    // how far off a pixel centre may lie; no rows: the unlit triangles are not looked for.
    PixelRect Drawable, Viewed;
    bool Boxed = false;  // the scissor box leaves out part of the viewport
    double CentreMargin = 0;
    // The posts of the squares within reach: the first, and how many across and in all.
    int PostsI0 = 0, PostsJ0 = 0;
    size_t PostsAcross = 0, PostCount = 0;
    std::vector<WindowPoint> PostWindow;  // per post, once projected
    std::vector<uint8_t> PostProjected;   // per post: 0 not yet, 1 in PostWindow, 2 not to be told
    std::vector<double> ColumnDx;     // per column of the squares within reach: its x distance from the eye, ft
    static constexpr double kHighestOverGround = 50000.0;  // ft: the ground met stays inside the far plane
    static constexpr double kNearRaySine = 0.35;            // sin 20 deg: the sky's lowest ray
    static constexpr double kOpenMargin = 0.01;             // radians
    double LowestOpenElevation = kWholeDome;
};

// The dome round the eye with the sky's colours, then the sun; it writes no depth. Drawn first it
// covers the whole frame. Drawn `behindGround`, after the ground, it sits on the far plane and
// fills only the pixels the ground left at the cleared depth: the same picture, without shading
// the two thirds of the frame that the ground covers again.
// Below `lowestElevation` (radians) the caller knows the ground covers the view, and the dome
// leaves it out. Where the picture's first level is magnified on every pixel, it is read without
// the mip levels the GL would not choose there anyway, unless `plain`, which reads it with them
// everywhere. `groundTop`, asked only where the depth buffer holds nothing but the ground, gives
// the elevation (radians) above which no ground shows: the rings above it are drawn without the
// depth test. Returns the rings so drawn. The dome is drawn under each of the disjoint scissor
// `boxes` (x, y, width, height, px; none: as the scissor stands), the sun only under those it can
// reach.
int drawSkyDome(const TexturedSkyDome& sky, const GLNameOfSlot& glName, bool behindGround = false,
                double lowestElevation = kWholeDome, bool plain = false,
                const std::function<double()>& groundTop = nullptr, std::span<const std::array<int, 4>> boxes = {},
                const DomeShortcuts& shortcuts = {});

// Runs `draw` under each of the disjoint scissor `boxes` in turn (x, y, width, height, px; within a
// scissor box already set, boxes it leaves empty passed over), handing it the box's place in
// `boxes`; once, handed 0, as the scissor stands when there are none. The scissor is left as it
// was. Disjoint, what is drawn under them meets each pixel in the order it is drawn.
void forEachScissorBox(std::span<const std::array<int, 4>> boxes, const std::function<void(size_t)>& draw);

// Where in the window the sky dome drawn down to `lowestElevation` (radians, as drawSkyDome) can
// reach, under the loaded modelview (the camera's turn alone), projection and viewport.
class DomeReach {
public:
    explicit DomeReach(double lowestElevation);
    // Whether the line of sight through the window point (px, x right, y up) lies below the dome's
    // lowest facet, by a margin of some pixels for the GL's rounding: where the four corners of a
    // window rectangle do, so does every line of sight through it, and neither the dome nor the sun
    // over it (hidden by the ground there) lights a pixel of it.
    bool below(double x, double y) const;

private:
    bool Known = false;            // a perspective view under a turn alone
    double Sine = -1;              // of the elevation below which no facet reaches
    std::array<double, 9> Turn{};  // window x, y, 1 to a world direction, row by row
};

// The elevation (radians, at least 0) above which the ground within the terrain's fog reach shows
// nowhere, seen from the eye.
double groundTopElevation(const RIDUdidav& terrain, const Eye& eye);

// Binds a picture of the ground, the sky or the clouds. They are soft: one mip level a pixel looks
// the same as blending two, and a software rasteriser reads half the texels. A picture without mip
// levels (the stand-in for a missing one) keeps its plain filter.
void bindSoftPicture(uint32_t texture);

// The shade model a drawer asks for (GL_FLAT or GL_SMOOTH). Which draws go flat depends on their
// colours, their size and the draw before, so the drawing's warm-up holds the model to each in turn
// for a whole unseen frame: the rasteriser then builds every state that frame meets both ways.
// While one is held, every ask leaves it; holdShadeModel(0) lets it go, leaving GL's model as held.
void shadeModel(uint32_t model);
void holdShadeModel(uint32_t model);

// The active texture unit's stage as a combine: its colour `rgb` (GL_REPLACE: of source0 alone;
// GL_MODULATE: source0 times source1) times `rgbScale`, its alpha that of `alphaSource`.
void setCombineStage(uint32_t rgb, uint32_t source0, uint32_t source1, float rgbScale, uint32_t alphaSource);

// The alpha of every level of a texture, level 0 first; empty when it cannot be read.
std::vector<std::vector<uint8_t>> alphaLevels(uint32_t texture);

// A sprite cloud, its sprites sorted far to near and turned to face the camera.
void drawCloud(const FirstCloud& cloud, const Eye& eye, const GLNameOfSlot& glName, const std::array<float, 3>& light);
// Clouds in the order given, each as drawCloud draws it, under one setting of the state, fogged by
// the frame's fog; `fogFaint`, where given, tells whether the fog is too faint within a reach (ft)
// to move a colour, and then a cloud wholly within it is drawn without it. Each cloud's sprites are
// sent once under each of `boxes` (x, y, width, height, px; see forEachScissorBox), in their order.
void drawClouds(const FirstCloud* const* clouds, size_t count, const Eye& eye, const GLNameOfSlot& glName,
                const std::array<float, 3>& light, const std::function<bool(double)>& fogFaint = nullptr,
                std::span<const std::array<int, 4>> boxes = {});
// The least depth ahead of the eye (ft, under the loaded modelview) that any corner of the clouds'
// sprites can lie at, whichever way they face; infinite for none.
double nearestCloudDepth(const FirstCloud* const* clouds, size_t count, const Eye& eye);

}  // namespace pellam::worlddraw
