// The cloud decks drawn after the opaque objects, in bands (render/DeckBands.h): from the farthest
// band in, what lies beyond a deck (the transparent queue, the sprite clouds and the smoke of that
// band, in that order) and then the deck, which veils it with the ground under it; last what lies
// on the eye's side of every deck. Drawn before the objects, as they once were, a deck was drawn
// over by all that lay beyond it. Where no deck parts the world this is the decks, the queue, the
// clouds and the smoke, in that order.
#include <GL/gl.h>

#include "render/MyZephGLView.h"
#include "world/FirstCloud.h"
#include "world/draw/WorldDraw.h"

namespace pellam::render {

void MyZephGLView::drawAboutTheDecks(ModelArray& list, worlddraw::WidenedView& wide, bool widens) {
    const auto decks = [&](int rank) {
        if (!deckPlan_.On) return;
        wide.restore();  // the decks read the window's own view, and widen it themselves
        drawDecksOfRank(rank);
        if (widens) wide.widen();
    };
    for (int band = deckPlan_.On ? deckBands_.most() : 0; band > 0; --band) {
        band_ = band;
        drawTransparentBand(list);
        decks(band);
    }
    decks(0);  // any deck the eye is within
    band_ = deckPlan_.On ? 0 : -1;
    drawTransparentBand(list);
    band_ = -1;
}

void MyZephGLView::drawTransparentBand(ModelArray& list) {
    glNewDrawTransparentItems();
    if (band_ < 0) {
        drawClouds();
    } else {
        bandClouds_.clear();
        for (FirstCloud* c : clouds_)
            if (deckBands_.bandOf(c->live.attitude.Position[1]) == band_) bandClouds_.push_back(c);
        std::swap(clouds_, bandClouds_);
        drawClouds();
        std::swap(clouds_, bandClouds_);
    }
    drawSmokePass(list);
}

bool MyZephGLView::drawsSmokeAt(double height) const { return band_ < 0 || deckBands_.bandOf(height) == band_; }

}  // namespace pellam::render
