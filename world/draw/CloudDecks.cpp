// The cloud decks.
#include "world/draw/DeckParts.h"

namespace pellam::worlddraw {

using namespace sky;

void TerrainDrawer::drawCloudLayers(const RIDUdidav& t, const Eye& eye, const GLNameOfSlot& glName,
                                    const std::array<float, 3>& light, const ScreenCover* cover,
                                    std::span<const std::array<int, 4>> boxes) {
    const double reach = std::min(t.getFogDistance(), RIDUdidav::kGreatestFogDistance);
    const double fogStart = reach * 0.25;
    constexpr double kTile = 24000.0;  // ft one picture of the deck spans
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_FOG_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    // Left to itself the GL fogs by |z| at each vertex, interpolated: a deck reaching behind the
    // eye would be fogged near the eye as if far off. Its distance ahead, negative behind, is
    // linear across the deck and right wherever it is interpolated.
    glFogi(GL_FOG_COORD_SRC, GL_FOG_COORD);
    DeckView view;
    view.FogStart = fogStart;
    view.FogEnd = reach;
    glGetFloatv(GL_MODELVIEW_MATRIX, view.Modelview.data());
    glGetFloatv(GL_PROJECTION_MATRIX, view.Projection.data());
    glGetIntegerv(GL_VIEWPORT, view.Viewport.data());
    view.Cover = cover && !cover->empty() ? cover : nullptr;
    view.ColourInVertices = !Exact && DeckColourInVertices;
    view.FogInVertices = !Exact && DeckFogInVertices;
    view.CutCostPerPixel = DeckFogCutCost;
    DecksFoggedInVertices = 0;
    view.FoggedInVertices = &DecksFoggedInVertices;
    {
        GLfloat fogColour[4] = {};
        glGetFloatv(GL_FOG_COLOR, fogColour);
        view.FogColour = {fogColour[0], fogColour[1], fogColour[2]};
    }
    view.CutsToBoxes = !Exact && DecksCutToBoxes;
    DeckDraws = 0;
    view.Draws = &DeckDraws;
    DecksApart = 0;
    DecksUntested = 0;
    // Outside a cockpit's slice of the depths the depth buffer holds the ground alone: a deck side
    // that shows nowhere the ground does is drawn without the depth test, which could turn none of
    // its fragments away.
    GLfloat depthRange[2] = {0, 1};
    glGetFloatv(GL_DEPTH_RANGE, depthRange);
    const bool groundOnly = !Exact && SkipsUnseenWork && depthRange[0] == 0.0f;
    double highest = std::numeric_limits<double>::quiet_NaN();  // found when first asked
    // A fragment whose alpha, out of 255, is at most this fails the alpha test, with room for the
    // rounding of the picture's alpha times the colour's (-1: any may pass).
    DecksBlank = 0;
    GLint alphaFunc = GL_ALWAYS;
    GLfloat alphaRef = 0;
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &alphaFunc);
    glGetFloatv(GL_ALPHA_TEST_REF, &alphaRef);
    const double failing = !Exact && SkipsUnseenWork && glIsEnabled(GL_ALPHA_TEST) &&
                                   (alphaFunc == GL_GREATER || alphaFunc == GL_GEQUAL)
                               ? 255.0 * alphaRef - 1.5
                               : -1.0;
    // Under an alpha test that passes only alphas near one, blending mixes in no more than the small
    // rest of what lies behind. Behind a deck side above the eye lies the sky, whose colours are
    // near the cloud's: drawn over it unblended, a passing fragment moves a pixel by a few levels,
    // and the rasteriser neither reads nor mixes the pixel. Below the eye the ground, far darker
    // than a sunlit deck, may lie behind: blended as it is.
    const bool unblended = !Exact && DecksUnblended && glIsEnabled(GL_ALPHA_TEST) &&
                           (alphaFunc == GL_GREATER || alphaFunc == GL_GEQUAL) && alphaRef >= float(kUnblendedAlpha);
    // Of a side drawn so, a part magnified on every pixel may leave out its picture's tiles that
    // no fragment can pass the alpha test in (-1: none is left out).
    const double tilesFailing = unblended && BlankTilesLeftOut ? 255.0 * alphaRef - 1.5 : -1.0;
    DecksMagnified = 0;
    TilesLeftOut = 0;
    MippedTilesLeftOut = 0;
    // The largest turn of the line of sight from one pixel to the next (radians) in the window's
    // own view: where a level deck h ft off the eye lies within d of it, a pixel's step moves the
    // point seen by at most d^2 / h times that, and the GL's measure of a picture's stretch is no
    // more than that step in texels.
    std::array<double, 16> projection{};
    std::array<int, 4> viewport{};
    WidenedView::loaded(projection, viewport);
    const double focal = std::min(projection[0] * viewport[2], projection[5] * viewport[3]) / 2;
    const bool perspective = focal > 0 && projection[11] == -1.0 && projection[15] == 0.0;
    // Widened after the view is read: the cover's cells are the window's.
    WidenedView wide;
    if (!Exact && WidensView) wide.widen();
    // The drawn window under each box (the scissor as it stands when there are none): whether a
    // deck is cut round its magnified square is told box by box, as when drawn under each alone.
    std::array<std::array<int, 4>, kMostBoxes> live{};
    std::vector<DrawnWindow> windows;
    int boxCount = 0;
    if (boxes.size() > live.size()) boxes = {};  // more than are ever given: drawn as the scissor stands
    view.Boxed = !boxes.empty();
    forEachScissorBox(boxes, [&](size_t) {
        GLint b[4] = {};
        glGetIntegerv(GL_SCISSOR_BOX, b);
        live[size_t(boxCount)] = {b[0], b[1], b[2], b[3]};
        windows.emplace_back();
        ++boxCount;
    });
    std::array<std::array<int, 4>, kMostBoxes> whole{}, cut{};
    std::array<const DrawnWindow*, kMostBoxes> wholeWindows{}, cutWindows{};
    DeckPieces nearPieces, farPieces, nearMagnified, farMagnified;
    const float u0 = float(std::fmod(eye.X, kTile) / kTile), v0 = float(std::fmod(eye.Z, kTile) / kTile);
    const float span = float(reach / kTile);
    for (int k = 0; k < RIDUdidav::kCloudLayers; ++k) {
        const CloudLayer& layer = t.getCloudLayer(k);
        if (layer.TextureNumber <= 0) continue;
        const bool ceiling = layer.TextureNumber <= 2;
        const bool thin = layer.TextureNumber % 2 == 0;
        const float a = thin ? 0.55f : 1.0f;
        // A layer none of whose texels can pass the alpha test (a thin one, faded, under the game's
        // test for the objects' cut-outs) draws nothing.
        const uint32_t texture = glName(ceiling ? t.CloudDeckSlot : t.CloudScatterSlot);
        if (failing >= 0 && mostOpaque(texture) * a <= failing) {
            ++DecksBlank;
            continue;
        }
        // The most opaque texel round each tile of the picture.
        const TileAlphas* tiles = tilesFailing >= 0 ? &tileAlphas(texture) : nullptr;
        bindSoftPicture(texture);
        // Where the picture is magnified on every pixel the GL reads its first level by the
        // magnifying filter, whatever the mip levels: read so without them, the rasteriser skips
        // working out a level for each pixel.
        GLint minFilter = 0, magFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        const Levels sound = !Exact && MagnifiedDecksUnmipped && perspective ? soundLevels() : Levels{};
        const double texel = sound.Last >= 0 ? kTile / sound.Size : 0.0;  // ft, first level
        // The underside is in shadow, the top in sunlight.
        const double heights[2] = {layer.LayerBottom, layer.LayerTop};
        for (int s = 0; s < 2; ++s) {
            const float shade = s == 0 ? 0.72f : 1.0f;
            bool untested = false;
            if (groundOnly) {
                if (std::isnan(highest)) highest = highestGround(t, eye, reach);
                untested = deckClearOfGround(t, eye, heights[s] - eye.Y, reach, highest);
            }
            untested ? glDisable(GL_DEPTH_TEST) : glEnable(GL_DEPTH_TEST);
            unblended && heights[s] > eye.Y ? glDisable(GL_BLEND) : glEnable(GL_BLEND);
            DecksUntested += untested;
            glColor4f(light[0] * shade, light[1] * shade, light[2] * shade, a);
            const float y = float(heights[s] - eye.Y), r = float(reach);
            const DeckPoint quad[4] = {{-r, y, -r, u0 - span, v0 - span},
                                       {r, y, -r, u0 + span, v0 - span},
                                       {r, y, r, u0 + span, v0 + span},
                                       {-r, y, r, u0 - span, v0 + span}};
            // The part nearer than the fog's start, which the fog leaves as it is, drawn apart
            // without it.
            DeckPoint nearPart[kMaxDeckPoints], farPart[kMaxDeckPoints];
            const auto beyond = [&](const DeckPoint& p) { return view.ahead(p) - fogStart; };
            const auto within = [&](const DeckPoint& p) { return fogStart - view.ahead(p); };
            const int nearCount = keepWhere(quad, 4, nearPart, within);
            const bool apart = UnfoggedDeckPieces && !Exact && view.openShare(nearPart, nearCount) >= kUnfoggedShare;
            const int farCount = apart ? keepWhere(quad, 4, farPart, beyond) : 0;
            DecksApart += apart;
            // The square round the eye's foot within which the picture is magnified for sure: its
            // corners within d of the eye, d^2 = kMagnified x texel x h / turn.
            const double h = std::abs(double(y));
            const double within2 = texel > 0 && h >= 1.0 ? kMagnified * texel * h * focal - h * h : 0.0;
            const double half = within2 > 0 ? std::sqrt(within2 / 2) : 0.0;
            // Cut out only where the square reaches the window and enough of it shows round the
            // cover to pay for its edges.
            const bool splits = half > 0 && half < reach;
            const DeckPoint square[4] = {{-float(half), y, -float(half), 0, 0}, {float(half), y, -float(half), 0, 0},
                                         {float(half), y, float(half), 0, 0}, {-float(half), y, float(half), 0, 0}};
            int wholeCount = 0, cutCount = 0;
            int shows = -1;  // the square's open share enough: told when first asked
            for (int b = 0; b < boxCount; ++b) {
                bool split = splits;
                if (split) {
                    const bool reaches = !windows[size_t(b)].missesAll(square, 4);
                    if (reaches && shows < 0) shows = view.openShare(square, 4) >= kMagnifiedShare;
                    split = reaches && shows == 1;
                }
                if (split)
                    cutWindows[size_t(cutCount)] = &windows[size_t(b)], cut[size_t(cutCount++)] = live[size_t(b)];
                else
                    wholeWindows[size_t(wholeCount)] = &windows[size_t(b)], whole[size_t(wholeCount++)] = live[size_t(b)];
            }
            if (wholeCount > 0) {
                view.Boxes = std::span<const std::array<int, 4>>(whole.data(), view.Boxed ? size_t(wholeCount) : 0);
                view.Windows = std::span<const DrawnWindow* const>(wholeWindows.data(), view.Boxes.size());
                // One piece; all of it magnified where the square holds the whole deck.
                const bool magnified = half >= reach;
                if (magnified) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, magFilter), ++DecksMagnified;
                if (!apart) {
                    drawDeckPiece(quad, 4, view, true);
                } else {
                    drawDeckPiece(nearPart, nearCount, view, false);
                    drawDeckPiece(farPart, farCount, view, true);
                }
                if (magnified) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
            }
            if (cutCount == 0) continue;
            view.Boxes = std::span<const std::array<int, 4>>(cut.data(), view.Boxed ? size_t(cutCount) : 0);
            view.Windows = std::span<const DrawnWindow* const>(cutWindows.data(), view.Boxes.size());
            // The square and the four bands round it, their corners' picture coordinates taken as
            // the deck's at that place, so that pieces meeting there share their points.
            ++DecksMagnified;
            const auto point = [&](double x, double z) {
                return DeckPoint{float(x), y, float(z), float(u0 + x / kTile), float(v0 + z / kTile)};
            };
            const double hf = half;
            // Unblended, the square may go as the runs of its picture's tiles that a fragment can
            // pass the alpha test in: grown a little each way, they overlap one another and the
            // bands, where a pixel drawn twice takes the same colour, so that no pixel falls
            // between them where their edges meet away from a shared corner.
            std::vector<std::array<double, 4>>& rects = DeckRects;
            rects.clear();
            if (!(unblended && heights[s] > eye.Y && tiles &&
                  squareTiles(hf, u0, v0, kTile, *tiles, tilesFailing / a, kTileOverlap, rects)))
                rects.assign(1, {-hf, hf, -hf, hf});
            const size_t squareRects = rects.size();
            // Round it, out to where the GL reads no level past kMippedTileLevel (the step's bound
            // there at most kMagnified x 2^level texels), the ring's four sides go as the runs of
            // the tiles that a fragment can pass the alpha test in at any of those levels.
            double ring = hf;
            const bool mipmapped = minFilter == GL_LINEAR_MIPMAP_NEAREST || minFilter == GL_NEAREST_MIPMAP_NEAREST ||
                                   minFilter == GL_LINEAR_MIPMAP_LINEAR || minFilter == GL_NEAREST_MIPMAP_LINEAR;
            if (unblended && heights[s] > eye.Y && tiles && !tiles->Mipped.empty() && BlankMippedTilesLeftOut &&
                mipmapped && sound.Last >= kMippedTileLevel) {
                const double far2 = kMagnified * double(1 << kMippedTileLevel) * texel * h * focal - h * h;
                const double most = kMostTilesAcross / 2 * kTile / tiles->Across;  // the widest cut
                ring = std::min({far2 > 0 ? std::sqrt(far2 / 2) : 0.0, double(reach), most});
                if (ring > hf)
                    for (const std::array<double, 4>& side : {std::array<double, 4>{-ring, ring, -ring, -hf},
                                                              std::array<double, 4>{-ring, ring, hf, ring},
                                                              std::array<double, 4>{-ring, -hf, -hf, hf},
                                                              std::array<double, 4>{hf, ring, -hf, hf}})
                        if (!rectTiles(side, u0, v0, kTile, tiles->Across, tiles->Mipped, tilesFailing / a,
                                       kTileOverlap, MippedTilesLeftOut, rects))
                            rects.push_back(side);
                ring = std::max(ring, hf);
            }
            rects.insert(rects.end(), {{-reach, reach, -reach, -ring}, {-reach, reach, ring, reach},
                                       {-reach, -ring, -ring, ring}, {ring, reach, -ring, ring}});
            nearPieces.clear(), farPieces.clear(), nearMagnified.clear(), farMagnified.clear();
            for (size_t q = 0; q < rects.size(); ++q) {
                const auto& b = rects[q];
                const DeckPoint piece[4] = {point(b[0], b[2]), point(b[1], b[2]), point(b[1], b[3]), point(b[0], b[3])};
                DeckPieces& near = q < squareRects ? nearMagnified : nearPieces;
                DeckPieces& far = q < squareRects ? farMagnified : farPieces;
                if (!apart) {
                    far.add(piece, 4);
                    continue;
                }
                DeckPoint cut[kMaxDeckPoints];
                near.add(cut, keepWhere(piece, 4, cut, within));
                far.add(cut, keepWhere(piece, 4, cut, beyond));
            }
            const double raise = apart ? fogRaise(farPart, farCount, view) : fogRaise(quad, 4, view);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, magFilter);
            nearMagnified.draw(view, false, 0);
            farMagnified.draw(view, true, raise);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
            nearPieces.draw(view, false, 0);
            farPieces.draw(view, true, raise);
        }
    }
    glFogi(GL_FOG_COORD_SRC, GL_FRAGMENT_DEPTH);  // the attribute stack does not restore it here
    wide.restore();
    glPopAttrib();
}

}  // namespace pellam::worlddraw
