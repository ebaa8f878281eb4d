#pragma once
// One frame of the mission builder's 3-D view in the game's window: the world from the builder's
// camera, with the fly-to paths and a centre cross on its left 66 %, and the close-up of one item
// over its right 34 %; the game's windows (the frame observer) go on top before the picture is shown.
namespace pellam::builder {
class MissionBuilder;
}
namespace pellam::render {
class MyZephGLView;
}

namespace pellam::builderdraw {

// The world is drawn again only when the builder's view has moved on (or the window changed
// size); in between its last picture is shown.
void drawBuilderScene(render::MyZephGLView& view, builder::MissionBuilder& builder);
// The builder's scenes drawn so far.
long builderSceneDraws();
// The 200 fly-to points and their links, into the current scene (world coordinates).
void drawPaths(render::MyZephGLView& view, const builder::MissionBuilder& builder);

}  // namespace pellam::builderdraw
