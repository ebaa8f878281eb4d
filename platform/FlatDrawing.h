#pragma once
// Flat drawing over whatever GL state the frame's passes left: the windows over a frame, the
// loading screen. Each pass sets what its own drawing needs and leaves the rest (a pass after the
// world leaves the alpha test on at 0.9, fog on, the back faces culled), and which pass came last
// follows the camera: a crash that takes the eye out of the cockpit left the alpha test on under
// the windows and ate the soft edges of every letter. While one of these lives the GL draws plain
// colour and one 2-D picture on unit 0 (the caller binds it), blended by alpha: no alpha test, fog,
// lighting, culling, depth or scissor test, colour sum or logic op; no other texture unit, target or
// texture coordinate generation; an identity texture matrix and no sampler object; smooth shading
// and every colour channel written. Everything it changed is put back when it goes.
namespace pellam::platform {

class FlatDrawing {
public:
    FlatDrawing();  // with the window's context current
    ~FlatDrawing();
    FlatDrawing(const FlatDrawing&) = delete;
    FlatDrawing& operator=(const FlatDrawing&) = delete;

private:
    int activeTexture_ = 0, clientActiveTexture_ = 0, sampler_ = 0, shadeModel_ = 0;
    bool colourSum_ = false;
};

}  // namespace pellam::platform
