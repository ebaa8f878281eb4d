#pragma once
// The drawing's shortcuts by name, each with the switch that turns it off, so that what one saves
// can be counted: the game frame benchmark draws every scene once more without each named in
// PELLAM_BENCH_WITHOUT (bench/render/shortcut_savings.sh). The ground's own are counted the same
// way; the plain drawing (PELLAM_EXACT_DRAWING) turns them all off at once.
#include <string_view>

#include "objects/draw/EffectDrawing.h"
#include "render/MyZephGLView.h"
#include "world/draw/WorldDraw.h"

namespace pellam {

struct Shortcut {
    const char* Name;
    void (*Set)(render::MyZephGLView& view, bool on);
};

inline constexpr Shortcut kShortcuts[] = {
    // The cockpit and the objects.
    {"cockpit_cover", [](render::MyZephGLView& v, bool on) { v.setMarksOpaqueCover(on); }},
    {"cover_first", [](render::MyZephGLView& v, bool on) { v.setCoverFirst(on); }},
    {"cockpit_hidden_triangles", [](render::MyZephGLView& v, bool on) { v.setHidesCockpitTriangles(on); }},
    {"triangles_behind_cover", [](render::MyZephGLView& v, bool on) { v.setCullsHidden(on); }},
    {"unseen_triangles", [](render::MyZephGLView& v, bool on) { v.setCutsUnseenTriangles(on); }},
    {"sure_alpha_blend_off", [](render::MyZephGLView& v, bool on) { v.setDropsSureTests(on); }},
    {"objects_outside_view", [](render::MyZephGLView& v, bool on) { v.setCullsOutside(on); }},
    {"polygon_runs", [](render::MyZephGLView& v, bool on) { v.setBatchesRuns(on); }},
    {"runs_held_across_objects", [](render::MyZephGLView& v, bool on) { v.setGathersHeld(on); }},
    {"flat_shading", [](render::MyZephGLView& v, bool on) { v.setFlatShading(on); }},
    {"objects_widened_view", [](render::MyZephGLView& v, bool on) { v.setWidensView(on); }},
    {"cockpit_nearest_level", [](render::MyZephGLView& v, bool on) { v.setNearestLevelInCockpit(on); }},
    {"cockpit_magnified_sampler", [](render::MyZephGLView& v, bool on) { v.setMagnifiedSampler(on); }},
    {"cockpit_split_batches", [](render::MyZephGLView& v, bool on) { v.setSplitsBatches(on); }},
    {"cockpit_queue_level_zero", [](render::MyZephGLView& v, bool on) { v.setQueueLevelZero(on); }},
    {"clouds_in_open_cells", [](render::MyZephGLView& v, bool on) { v.setCloudsInOpenCells(on); }},
    {"sprite_cuts", [](render::MyZephGLView&, bool on) { effects::setCutHiddenSprites(on); }},
    {"faint_fog_left_off", [](render::MyZephGLView& v, bool on) { v.setLeavesFaintFogOff(on); }},
    {"queue_runs_joined", [](render::MyZephGLView& v, bool on) { v.setJoinsQueueRuns(on); }},
    {"text_cut_to_ink", [](render::MyZephGLView& v, bool on) { v.setCutsTextToInk(on); }},
    {"explosion_unfogged", [](render::MyZephGLView&, bool on) { effects::setUnfogsFaintSprites(on); }},
    // The sky and the decks.
    {"world_in_open_cells", [](render::MyZephGLView& v, bool on) { v.setScissorsWorld(on); }},
    {"dome_untested_rings", [](render::MyZephGLView& v, bool on) { v.domeShortcuts().UntestedRings = on; }},
    {"dome_rings_magnified", [](render::MyZephGLView& v, bool on) { v.domeShortcuts().RingsMagnified = on; }},
    {"decks_untested_over_ground", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().DecksUntestedOverGround = on; }},
    {"deck_colour_in_vertices", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().DeckColourInVertices = on; }},
    {"deck_fog_in_vertices", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().DeckFogInVertices = on; }},
    {"near_decks_unfogged", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().UnfoggedDeckPieces = on; }},
    {"decks_magnified_unmipped", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().MagnifiedDecksUnmipped = on; }},
    // The ground's.
    {"ground_unlit_left_out", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().LeavesUnlitOut = on; }},
    {"ground_near_unfogged", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().UnfogsNearGround = on; }},
    {"ground_daylight_as_is", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().DaylightAsIs = on; }},
    {"ground_blank_roads", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().LeavesBlankRoadsOut = on; }},
    {"ground_covered_left_out", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().LeavesCoveredOut = on; }},
    {"ground_road_shapes", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().ShapesRoads = on; }},
    {"ground_mean_counts_fog", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().MeanCountsTheFog = on; }},
    {"ground_widened_view", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().WidensView = on; }},
    {"ground_cut_along_sight", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().CutsAlongTheSight = on; }},
    {"ground_in_mean", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().DrawsInMean = on; }},
    {"ground_merged_blocks", [](render::MyZephGLView& v, bool on) { v.terrainDrawer().MergesFarBlocks = on; }},
};

inline const Shortcut* findShortcut(std::string_view name) {
    for (const Shortcut& s : kShortcuts)
        if (name == s.Name) return &s;
    return nullptr;
}

}  // namespace pellam
