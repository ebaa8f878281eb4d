#pragma once
// The bands the cloud decks cut the world into as seen from one eye. A level plane parts every
// line of sight it crosses into what lies on the eye's side of it and what lies beyond, so
// whatever lies beyond a deck's near side is drawn before the deck, and the deck veils it, and
// whatever lies on the eye's side after it. A thing's band is the number of decks between it and
// the eye; a deck's rank is the band just beyond it. Decks above the eye and decks below it are
// met by different lines of sight and are counted apart; a deck the eye is within parts nothing
// (rank 0, drawn before the things of band 0). No GL here.
#include <algorithm>
#include <array>
#include <cstdint>

#include "world/RIDUdidav.h"

namespace pellam::render {

class DeckBands {
public:
    static constexpr int kLayers = RIDUdidav::kCloudLayers;

    // The decks of `terrain` shown (a picture of their own) from an eye `eyeY` ft up.
    void set(const RIDUdidav& terrain, double eyeY) {
        Most = 0;
        for (int k = 0; k < kLayers; ++k) {
            const CloudLayer& c = terrain.getCloudLayer(k);
            const double low = std::min(c.LayerBottom, c.LayerTop), high = std::max(c.LayerBottom, c.LayerTop);
            Shown[k] = c.TextureNumber > 0;
            Above[k] = low > eyeY;
            Near[k] = Above[k] ? low : high;
            Parts[k] = Shown[k] && (low > eyeY || high < eyeY);
        }
        for (int k = 0; k < kLayers; ++k) {
            Rank[k] = 0;
            if (!Parts[k]) continue;
            // Counted with itself: the decks on its side at its near side or nearer the eye.
            for (int j = 0; j < kLayers; ++j)
                if (Parts[j] && Above[j] == Above[k] && (Above[k] ? Near[j] <= Near[k] : Near[j] >= Near[k]))
                    ++Rank[k];
            Most = std::max(Most, Rank[k]);
        }
    }
    // The band of what stands `height` ft up: the decks whose near side lies between it and the eye.
    int bandOf(double height) const {
        int band = 0;
        for (int k = 0; k < kLayers; ++k)
            if (Parts[k] && (Above[k] ? height > Near[k] : height < Near[k])) ++band;
        return band;
    }
    int most() const { return Most; }  // the farthest band; 0 where no deck parts the world
    bool shown(int k) const { return k >= 0 && k < kLayers && Shown[k]; }
    int rank(int k) const { return k >= 0 && k < kLayers ? Rank[k] : 0; }

private:
    std::array<bool, kLayers> Shown{}, Above{}, Parts{};
    std::array<double, kLayers> Near{};  // ft: the side facing the eye
    std::array<int, kLayers> Rank{};
    int Most = 0;
};

}  // namespace pellam::render
