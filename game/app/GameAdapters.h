#pragma once
// The game's real neighbours fitted to what the controller asks of them: the renderer's view,
// the sound object, the input object and the desktop. Only the executable links these.
#include <functional>

#include "game/GameController.h"
#include "game/VADArizodazar2.h"
#include "input/PellamJoySub.h"
#include "platform/ui/UiLayer.h"
#include "render/MyZephGLView.h"
#include "sound/PellamSound.h"
#include "render/FrameServices.h"

namespace pellam {

// The controller's answers to what the frame asks: identification squares, the overlay.
class FrameLink : public render::FrameServices {
public:
    explicit FrameLink(VADArizodazar2& controller) : controller_(controller) {}
    bool useIDSquares() override { return controller_.prefs().useIDSquares; }
    bool useCloseUpIDSquares() override { return controller_.prefs().useCloseUpIDSquares; }
    // The controller's flag, which hides the pause and replay texts from the shot, is cleared here
    // as the frame that takes the shot asks for it.
    bool getAndClearScreenShotPending() override { return controller_.getAndClearScreenShotPending(); }
    void debugchance(render::MyZephGLView& view) override;
    uint64_t flatPrint() override;
    // The print of the toolkit's windows for this frame (built once, drawn by the frame observer).
    void setToolkitPrint(std::function<uint64_t()> print) { toolkitPrint_ = std::move(print); }
    // What the overlay laid over the frame last shown (a resting frame shows the same).
    const Overlay& drawn() const { return overlay_; }

private:
    VADArizodazar2& controller_;
    Overlay overlay_;
    std::function<uint64_t()> toolkitPrint_;
};

class ViewAdapter : public ControllerView {
public:
    explicit ViewAdapter(render::MyZephGLView& view) : view_(view) {}

    void setModelArray(ModelArray* models) override {
        models_ = models;
        view_.setModelArray(models);
    }
    void setController(ControllerServices* controller) override { view_.setController(controller); }
    void setMessageLines(uint8_t (*lines)[256]) override { view_.setMessageLines(lines); }
    void setPlayOpening(bool play) override { view_.setPlayOpening(play); }
    void setScreenSaveType(int32_t type) override { view_.setScreenSaveType(type); }
    void setNetworkTypeSize(double size) override { view_.setNetworkTypeSize(size); }
    double getNetworkTypeSize() override { return view_.getNetworkTypeSize(); }
    void setGlobalCameraPosition(const QNion* pose) override { view_.setGlobalCameraPosition(pose); }
    void setCameraViewToVectorX(double x, double y, double z, double bank) override {
        view_.setCameraViewToVectorX(x, y, z, bank);
    }
    void setVBLSyncing(bool on) override { view_.setVBLSyncing(on ? 1 : 0); }
    void doLoadingFeedback() override { view_.doLoadingFeedback(); }
    void setDoFeedback(bool on) override { view_.setDoFeedback(on ? 1 : 0); }
    void showLoadingProgress(double done) override { view_.showLoadingProgress(done); }
    bool drawLastLoadingPicture() override { return view_.drawLastLoadingPicture(); }
    void setWindowLevelToNormal(int32_t) override { view_.setWindowLevelToNormal(); }
    void setWindowLevelToFront(int32_t) override { view_.setWindowLevelToFront(); }
    bool getVRAMOkay() override { return view_.getVRAMOkay(); }
    int64_t getVRAM() override { return view_.getVRAM(); }
    int64_t getTotalVRAMUsed() override { return view_.getTotalVRAMUsed(); }
    void setCameraInsideItem(long modelIndex) override { view_.setCameraInsideItem(modelIndex); }
    long getCameraInsideItem() override { return view_.getCameraInsideItem(); }
    void setCameraInsideItem2(long modelIndex) override { view_.setCameraInsideItem2(modelIndex); }
    void setDrawSecondWindow(bool on) override { view_.setDrawSecondWindow(on); }
    void setSecondAircraftCamera(long modelIndex) override { view_.setSecondAircraftCamera(modelIndex); }
    void setSecondGlobalCameraPosition(const QNion* pose) override { view_.setSecondGlobalCameraPosition(pose); }
    const double* getCameraPosition() override { return view_.getCameraPosition()->Position.data(); }
    std::array<double, 3> getNearPlane() override { return view_.worldNearPlane().asArray(); }
    void setWorldNearLimit(double ft) override { view_.setWorldNearLimit(ft); }
    std::array<double, 3> getSecondNearPlane() override { return view_.secondNearPlane().asArray(); }
    void setSecondNearLimit(double ft) override { view_.setSecondNearLimit(ft); }
    bool isSheet() override { return false; }
    void getMonitorResolution(float& width, float& height) override;
    void setGameTime(int32_t missionTime) override { view_.setGameTime(missionTime); }
    // The sun, and the sky dome's colours with it, for the hour the controller gives.
    void setSunVectorFromTime(double hours) override;
    const double* getSunUnitVector() override { return view_.getSunUnitVector(); }
    void setDisplayVariable(double value) override { view_.setDisplayVariable(value); }
    void setStartUpTextureNumber(int32_t slot) override { view_.setStartUpTextureNumber(slot); }
    void setScreenSaveNameString(const std::string& name) override { view_.setScreenSaveNameString(name); }
    void glSetFogParameters(double r, double g, double b, int32_t mode, float density) override {
        view_.glSetFogParameters(r, g, b, mode, density);
    }
    int32_t tryForCustomPaintJobBig(const std::string& name) override { return view_.tryForCustomPaintJobBig(name); }
    int32_t tryForCustomPaintJobSmall(const std::string& name) override { return view_.tryForCustomPaintJobSmall(name); }
    void glDeleteONETexture(int32_t slot) override { view_.glDeleteONETexture(slot); }
    void drawRect(int32_t gameTime) override;
    void showFrame() override { view_.showFrame(); }
    void drawUnseen(const QNion& camera, long insideItem, bool world, bool insideCloud) override {
        view_.drawUnseen(camera, insideItem, world, insideCloud);
    }
    void finishDrawing() override;
    void drawBuilder(builder::MissionBuilder& builder) override;
    void setKeepScene(bool keep) override { view_.setKeepScene(keep); }
    std::vector<std::string> takeNotices() override { return view_.takeNotices(); }
    void sceneChanged() override { view_.sceneChanged(); }

private:
    render::MyZephGLView& view_;
    ModelArray* models_ = nullptr;
};

class SoundAdapter : public ControllerSound {
public:
    SoundAdapter() { sound.init(); }
    void setCoreAudioOnOff(bool on) override { sound.setCoreAudioOnOff(on); }
    void setSoundToggle(int32_t mode) override { sound.setSoundToggle(mode); }
    void setAppGlobalVolume(double v) override { sound.setAppGlobalVolume(v); }
    void setGunsVolume(double v) override { sound.setGunsVolume(v); }
    void setEngineVolume(double v) override { sound.setEngineVolume(v); }
    void setStallHornVolume(double v) override { sound.setStallHornVolume(v); }
    void setOtherItemsVolume(double v) override { sound.setOtherItemsVolume(v); }
    void toggleSoundSetting() override { sound.toggleSoundSetting(); }
    SoundServices* objectSounds() override { return &sound; }
    PellamSound sound;
};

class DesktopAdapter : public ControllerDesktop {
public:
    explicit DesktopAdapter(platform::SdlDesktop& desktop) : desktop_(desktop) {}
    bool isApplicationActive() override { return desktop_.isApplicationActive(); }
    bool hasDisplay() override;
    void setCursor(int32_t type) override;
    void showCursor(bool shown) override { desktop_.showCursor(shown); }
    void centrePointer() override { desktop_.centrePointer(); }
    void sleepUntilTick(uint32_t tick) override { desktop_.sleepUntilTick(tick); }
    void terminate() override { desktop_.requestQuit(); }

private:
    platform::SdlDesktop& desktop_;
};

}  // namespace pellam
