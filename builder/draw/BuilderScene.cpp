#include "builder/draw/BuilderScene.h"

#include <GL/gl.h>

#include "builder/MissionBuilder.h"
#include "builder/draw/BuilderLayout.h"
#include "core/ZephModel.h"
#include "render/MyZephGLView.h"

namespace pellam::builderdraw {
namespace {

constexpr double kSceneFar = 160000;   // ft, while the world is drawn
constexpr double kRestFar = 77000;     // ft, the frustum the view is left with
constexpr double kMarkerHalf = 75;     // ft
constexpr double kCloudPreviewBack = 2000, kPreviewBack = 100, kPreviewUp = 20;  // ft
constexpr int kCloudType = 5;

void marker(const double* p) {
    const double x = p[0], y = p[1], z = p[2], s = kMarkerHalf;
    glBegin(GL_QUADS);
    glVertex3d(x - s, y - s, z), glVertex3d(x + s, y - s, z), glVertex3d(x + s, y + s, z), glVertex3d(x - s, y + s, z);
    glVertex3d(x, y - s, z - s), glVertex3d(x, y - s, z + s), glVertex3d(x, y + s, z + s), glVertex3d(x, y + s, z - s);
    glVertex3d(x, y + s, z + s), glVertex3d(x + s, y + s, z), glVertex3d(x, y + s, z - s), glVertex3d(x - s, y + s, z);
    glEnd();
}

// The black cross at the middle of the world's view, with a gap at its centre.
void centreCross() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    glColor4f(0, 0, 0, 1);
    glBegin(GL_LINES);
    for (double sign : {-1.0, 1.0}) {
        glVertex2d(sign * 0.1, 0), glVertex2d(sign * 0.03, 0);
        glVertex2d(0, sign * 0.1), glVertex2d(0, sign * 0.03);
    }
    glEnd();
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

// The close-up of `item` (the selected item, or the unplaced one) at the origin of its own
// frustum, drawn over the world in the view's right 34 % without erasing it: only the depth goes,
// so that the ground there cannot hide the item.
void drawPreview(render::MyZephGLView& view, builder::MissionBuilder& b, ZephModel& item, const ViewRect& r) {
    const int left = int(0.66 * r.width), width = int(r.width - 0.66 * r.width);
    glViewport(r.x + left, r.y, width, r.height);
    glEnable(GL_SCISSOR_TEST);
    glScissor(r.x + left, r.y, width, r.height);
    glClear(GL_DEPTH_BUFFER_BIT);
    const double aspect = double(r.height) / (r.width - 0.66 * r.width);
    view.glSetViewFrustum(-1, 1, -aspect, aspect, 1, kRestFar);
    QNion eye;
    eye.Position = {0, kPreviewUp, item.getObjectType() == kCloudType ? -kCloudPreviewBack : -kPreviewBack};
    view.setGlobalCameraPosition(&eye);
    QNion kept;
    item.getModelPositionQNion(&kept);
    item.setStartingModelQNionX(0, 0, 0, &kept);
    view.glPrepareForModelDrawing();
    view.glSet3DDrawingWQuaternion(&eye);
    view.setCurrentCameraMatrix();
    if (OneCompleteObjectVer2* record = item.getDrawingData(1)) view.glNewDrawOneObject(record);
    view.glNewDrawTransparentItems();
    if (b.MBCurrentObject != 0) item.setStartingModelQNionX(kept.Position[0], kept.Position[1], kept.Position[2], &kept);
    glDisable(GL_SCISSOR_TEST);
}

// The last picture of the view, shown again while the builder has not moved on.
struct KeptView {
    const void* builder = nullptr;
    GLuint texture = 0;
    int width = 0, height = 0;
    uint64_t revision = 0;
    bool valid = false;
};
KeptView kept;
long sceneDraws = 0;

void keepView(const builder::MissionBuilder& b, const ViewRect& r) {
    if (!kept.texture) glGenTextures(1, &kept.texture);
    glBindTexture(GL_TEXTURE_2D, kept.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glReadBuffer(GL_BACK);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, r.x, r.y, r.width, r.height, 0);
    kept = {&b, kept.texture, r.width, r.height, b.viewRevision(), true};
}

void showKeptView(const ViewRect& r) {
    glViewport(r.x, r.y, r.width, r.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, kept.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-1, -1);
    glTexCoord2f(1, 0), glVertex2f(1, -1);
    glTexCoord2f(1, 1), glVertex2f(1, 1);
    glTexCoord2f(0, 1), glVertex2f(-1, 1);
    glEnd();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glEnable(GL_DEPTH_TEST);
}

}  // namespace

long builderSceneDraws() { return sceneDraws; }

void drawPaths(render::MyZephGLView& view, const builder::MissionBuilder& b) {
    if (!b.MBTerrainLoadedFlag) return;
    view.setCurrentCameraMatrix();
    glDepthFunc(GL_ALWAYS);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    const auto& points = b.MBMission.FlyToPoints;
    for (const builder::PathLink& link : b.pathLinks()) {
        const auto& from = points[link.from].PointXYZ;
        const auto& to = points[link.to].PointXYZ;
        glColor4f(1, 0, 0, 1);
        marker(from.data());
        glBegin(GL_LINES);
        glColor4f(0, 1, 0, 1);
        glVertex3d(from[0], from[1], from[2]);
        glColor4f(1, 1, 0, 1);
        glVertex3d(to[0], to[1], to[2]);
        glEnd();
    }
    glEnable(GL_CULL_FACE);
    glDepthFunc(GL_LEQUAL);
}

// The world from the builder's camera across the whole view, with the paths and the cross, then
// the close-up over its right 34 %. The world's frustum has the split view's scale: its left 66 %
// is where the mouse picks, and the world goes on under the close-up rather than leave a
// bare strip beside it.
void drawView(render::MyZephGLView& view, builder::MissionBuilder& b, const ViewRect& r) {
    view.setAwoken(true);  // the builder sets the frustum; no squares, no second window
    view.setSunVectorFromTime(11.0);
    const int left = int(0.66 * r.width);
    glViewport(r.x, r.y, r.width, r.height);
    glEnable(GL_SCISSOR_TEST);
    glScissor(r.x, r.y, r.width, r.height);
    const double aspect = double(r.height) / (0.66 * r.width);
    view.glSetViewFrustum(-1, -1 + 2.0 * r.width / left, -aspect, aspect, 1, kSceneFar);
    view.setGlobalCameraPosition(&b.MBCameraPosition);
    if (b.MBTerrainLoadedFlag) {
        view.newFrameRecords();
        view.drawModelList(&b.MBArray, 0);
    } else {
        glClearColor(0.1f, 0.1f, 0.12f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    drawPaths(view, b);
    glViewport(r.x, r.y, left, r.height);  // the cross on the line of sight, mid-way across the 66 %
    centreCross();
    glDisable(GL_SCISSOR_TEST);
    if (ZephModel* closeUp = b.closeUpItem()) drawPreview(view, b, *closeUp, r);
    // The view left ready for its own redraws.
    view.setGlobalCameraPosition(&b.MBCameraPosition);
    glViewport(r.x, r.y, left, r.height);
    view.glSetViewFrustum(-1, 1, -aspect, aspect, 1, kRestFar);
    view.setAwoken(false);
}

void drawBuilderScene(render::MyZephGLView& view, builder::MissionBuilder& b) {
    platform::GLWindow* window = view.getGLWindow();
    if (!window) return;
    int windowWidth = 0, windowHeight = 0;
    window->makeCurrent();
    window->drawableSize(windowWidth, windowHeight);
    const ViewRect r = builderViewRect(windowWidth, windowHeight);
    b.setViewFrame({double(r.width), double(r.height)});

    // Everything the builder's frame sets (blending and alpha test off for the kept picture, its
    // texture bound, the builder's fog, lights and matrices) is put back when it ends: the game's
    // frames rely on state they set once, such as blending for sprites, propeller discs and text.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    for (GLenum stack : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
        glMatrixMode(stack);
        glPushMatrix();
    }
    view.glRenderStart();
    glClearColor(0.62f, 0.6f, 0.55f, 1);  // the window's ground around the view
    glClear(GL_COLOR_BUFFER_BIT);
    if (kept.valid && kept.builder == &b && kept.revision == b.viewRevision() && kept.width == r.width &&
        kept.height == r.height) {
        showKeptView(r);
    } else {
        drawView(view, b, r);
        keepView(b, r);
        ++sceneDraws;
    }
    glViewport(0, 0, windowWidth, windowHeight);
    view.glRenderEnd();
    for (GLenum stack : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
        glMatrixMode(stack);
        glPopMatrix();
    }
    glPopClientAttrib();
    glPopAttrib();
}

}  // namespace pellam::builderdraw
