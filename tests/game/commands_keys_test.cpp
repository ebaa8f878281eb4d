// The default key bindings, pressed on the real input object, reach the world through the ring.
#include "game/InputLink.h"
#include "input/PellamJoySub.h"
#include "tests/game/worldstep_rig.h"

namespace pellam::testing {
namespace {

using namespace platform::hid;

class Keys : public WorldRig {
protected:
    ControllerInput* inputLink() override {
        keyStore_ = std::make_unique<platform::UserDefaults>((folder_ / "keys.json").string());
        keys = std::make_unique<input::PellamJoySub>(nullptr, *keyStore_);
        keys->awakeFromNib();
        link = std::make_unique<InputLink>(*keys);
        return link.get();
    }
    void tap(uint16_t c, uint32_t flags = 0) {
        ToolkitKeyEvent e;
        e.characters[0] = c;
        e.modifierFlags = flags;
        keys->keyDown(e);
        keys->keyUp(e);
    }
    void hold(uint16_t c, bool down) {
        ToolkitKeyEvent e;
        e.characters[0] = c;
        down ? keys->keyDown(e) : keys->keyUp(e);
    }

    std::unique_ptr<platform::UserDefaults> keyStore_;
    std::unique_ptr<input::PellamJoySub> keys;
    std::unique_ptr<InputLink> link;
};

TEST_F(Keys, FireThenPauseChangeCameraReplayAndScreenShot) {
    for (int i = 0; i < 40; ++i) frame(2);
    hold(' ', true);
    frame(1);
    EXPECT_EQ(camels[0]->guns, std::vector<int32_t>{1});
    hold(' ', false);
    frame(1);
    EXPECT_EQ(camels[0]->guns, (std::vector<int32_t>{1, 0}));

    tap('p');
    frame(1);
    EXPECT_FALSE(c->gamePause);
    tap('3', kAlternateKeyMask);  // the view from the east
    tap('r', kAlternateKeyMask);  // replay
    tap(kF1Char + 1, kFunctionKeyMask);
    frame(1);
    EXPECT_FALSE(c->ScreenShotPending);  // four entries a frame: the screen shot's turn is next
    frame(1);
    EXPECT_EQ(c->CameraPosition, 3);
    EXPECT_TRUE(c->ReplayFlag);
    EXPECT_TRUE(c->ScreenShotPending);
    tap('r', kAlternateKeyMask);
    tap('p');
    frame(1);
    frame(1);
    EXPECT_FALSE(c->ReplayFlag);
    EXPECT_TRUE(c->gamePause);
}

}  // namespace
}  // namespace pellam::testing
