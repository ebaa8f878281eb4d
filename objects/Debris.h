#pragma once
// Debris: every flying piece of wreckage in one pool of 30 small dark triangles that tumble along
// ballistic paths and vanish below height 0. Explosions throw 20 at a time, bullet hits one.
// Model index 10; all live pieces are drawn as one mesh.
#include <array>

#include "objects/EffectModel.h"

namespace pellam {

class Debris : public TableModel {
public:
    static constexpr int kPieces = 30;
    static constexpr int32_t kFree = -1;

    struct FlakeType {
        int32_t TimeStarted = kFree;  // mission tick of the throw; -1 free
        double GlobalX = 0, GlobalY = -10000.0, GlobalZ = 0;  // ft
        double XMove = 0, YMove = 0, ZMove = 0;               // ft/tick
        double FPitch = 0, FHeading = 0;                      // rad
        double PitchChange = 0, HeadingChange = 0;            // rad/tick
        double FlakeSize = 0;                                 // ft
        bool operator==(const FlakeType&) const = default;
    };

    Debris();

    void setDebrisSizeMin(double minimum, double maximum) override;
    void startOneDebrisXYZAndMove(const double* positionAndSpeed, int32_t time) override;
    void startOneDebrisFromAircraftHit(ZephModel* aircraft, int32_t time) override;
    void startExplosionDebris(const double* position, int32_t time) override;
    // The slot for the next piece: the first free one, else the one thrown longest ago.
    long findOldest() const;
    void callEveryTick(bool running, int32_t missionTime, bool inReplay) override;
    OneCompleteObjectVer2* getDrawingData(int32_t gameTime) override;
    void prepareForReplayStart(int32_t missionTime) override;
    void recoverFromReplay(int32_t missionTime) override;

    std::array<FlakeType, kPieces> TheFlakes{};
    std::array<FlakeType, kPieces> ReplayFlakes{};
    double MinSize = 4.0, MaxSize = 4.0;

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;

private:
    // Takes the next slot for a piece thrown at `time` from `position` and sizes it; the caller
    // then draws its speed, then its tumble.
    FlakeType& placePiece(const double* position, int32_t time);
    static void setTumble(FlakeType& f);
};

}  // namespace pellam
