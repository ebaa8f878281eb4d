// What a thin far-ground triangle costs Mesa's software rasteriser, one thing varied at a time.
// Each case draws a band of rows of squares (two triangles each, as the terrain sends them:
// indexed T2F_V3F client arrays, one picture a square) in the far ground's state: a 256 x 256
// RGB8 mip-mapped picture read one level a pixel with linear filtering, its colour and alpha
// replacing the fragment's (no fragment colour read), linear fog, depth
// test LEQUAL with writes, through a viewport four times the window's under a scissor box the size
// of the window. Rows lie across the screen
// from the horizon down, the higher farther off, each square `Width` x `Height` pixels.
//
// The firm figure is instructions: run under callgrind with the rasteriser in the drawing thread
// (bench/render/far_ground_instructions.sh); each case's counted frames are dumped on their own,
// and the empty case (a clear and a finish) is the floor to take off. Run under
// `xvfb-run -a -s "-screen 0 1024x768x24"`.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <benchmark/benchmark.h>
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(name)
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/GLWindow.h"
#include "world/draw/WorldDraw.h"

namespace pellam {
namespace {

constexpr int kWindowWidth = 1024, kWindowHeight = 768;
constexpr double kFocal = 886.8;  // px: a 60-degree view across 1024 px
constexpr double kNear = 1.0, kFar = 200000.0, kFogStart = 23000.0, kFogEnd = 93000.0;  // ft
constexpr int kTriangles = 2800;  // about the far ground's count in the cockpit view

enum class Order { TopDown, BottomUp, Interleaved };
enum class Scissor { Window, Off, Inset };
enum class Colour { Replace, Modulate, CombineNoColour, Flat, Untextured, UntexturedSmooth, FogInCombine };

struct Case {
    const char* Name = "base";
    int Width = 40, Height = 2;  // px a square
    int Offset = 0;              // px: the first square's left edge
    bool Fog = true;
    GLenum MinFilter = GL_LINEAR_MIPMAP_NEAREST;
    bool Depth = true;
    Order Draw = Order::TopDown;
    Scissor Box = Scissor::Window;
    Colour Texenv = Colour::CombineNoColour;
    int Slant = 0;              // px each square's top edge lies right of its bottom edge
    bool OtherDiagonal = false;  // squares cut from bottom right to top left
    GLint Format = GL_RGB8;     // the picture's
    GLenum FogHint = GL_DONT_CARE;
    bool Hidden = false;  // a second band at the same place, nearer, drawn first: the first wholly hidden
    int Draws = 1;        // draws the band is sent in
    int Triangles = kTriangles;
    bool Widened = true;    // the viewport four times the window's, the projection divided to match
    bool EdgesOut = false;  // each row's end squares across the window's left and right edges
};

struct GroundPoint {
    float U, V, X, Y, Z;
};

// The band's vertices and triangles; rows from the top (farthest) down.
struct Band {
    std::vector<GroundPoint> Points;
    std::vector<std::vector<uint32_t>> Rows;  // triangles per row
};

// Distance (ft) of the ground seen at window row y (px from the bottom): the horizon at row 600,
// 20,000 ft at 8 px below it, nearer below.
double depthAt(double y) {
    const double below = std::max(600.0 - y, 0.5);
    return std::min(20000.0 * 8.0 / below, kFogEnd * 0.99);
}

Band makeBand(const Case& c) {
    Band band;
    const int across = (kWindowWidth - c.Offset + c.Width - 1) / c.Width + (c.EdgesOut ? 1 : 0);
    const int rows = std::max(1, c.Triangles / (2 * across));
    const double top = 596.0, x0 = c.Offset - (c.EdgesOut ? c.Width / 2.0 : 0.0);
    for (int r = 0; r < rows; ++r) {
        std::vector<uint32_t> tris;
        const uint32_t first = uint32_t(band.Points.size());
        for (int k = 0; k <= 1; ++k) {
            const double y = top - (r + k) * c.Height, d = depthAt(y);
            for (int i = 0; i <= across; ++i) {
                const double x = x0 + i * c.Width + k * c.Slant;
                band.Points.push_back({float(i), float(r + k), float((x - kWindowWidth / 2.0) * d / kFocal),
                                       float((y - kWindowHeight / 2.0) * d / kFocal), float(-d)});
            }
        }
        for (int i = 0; i < across; ++i) {
            const uint32_t a = first + i, b = a + 1, cc = first + (across + 1) + i + 1, dd = cc - 1;
            if (c.OtherDiagonal)
                tris.insert(tris.end(), {a, b, dd, b, cc, dd});
            else
                tris.insert(tris.end(), {a, b, cc, a, cc, dd});
        }
        band.Rows.push_back(std::move(tris));
    }
    return band;
}

struct Window {
    std::unique_ptr<platform::GLWindow> Gl;
    GLuint Picture = 0, PictureRgba = 0;
};

Window& theWindow() {
    static Window w = [] {
        Window out;
        std::string error;
        platform::WindowSpec spec;
        spec.width = kWindowWidth, spec.height = kWindowHeight;
        out.Gl = platform::GLWindow::create(spec, error);
        if (!out.Gl) return out;
        out.Gl->makeCurrent();
        // A seeded speckled picture and its levels, each the box-filtered half of the one before.
        int size = 256;
        std::vector<uint8_t> level(size_t(size) * size * 3);
        uint32_t s = 12345;
        for (auto& b : level) {
            s = s * 1664525u + 1013904223u;
            b = uint8_t(80 + (s >> 26));
        }
        glGenTextures(1, &out.Picture);
        glGenTextures(1, &out.PictureRgba);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        for (int l = 0; size >= 1; ++l, size /= 2) {
            for (const GLuint name : {out.Picture, out.PictureRgba}) {
                glBindTexture(GL_TEXTURE_2D, name);
                glTexImage2D(GL_TEXTURE_2D, l, name == out.Picture ? GL_RGB8 : GL_RGBA8, size, size, 0, GL_RGB,
                             GL_UNSIGNED_BYTE, level.data());
            }
            if (size == 1) break;
            std::vector<uint8_t> half(size_t(size / 2) * (size / 2) * 3);
            for (int y = 0; y < size / 2; ++y)
                for (int x = 0; x < size / 2; ++x)
                    for (int ch = 0; ch < 3; ++ch) {
                        const auto at = [&](int dx, int dy) { return level[(size_t(2 * y + dy) * size + 2 * x + dx) * 3 + ch]; };
                        half[(size_t(y) * (size / 2) + x) * 3 + ch] = uint8_t((at(0, 0) + at(1, 0) + at(0, 1) + at(1, 1) + 2) / 4);
                    }
            level.swap(half);
        }
        for (const GLuint name : {out.Picture, out.PictureRgba}) {
            glBindTexture(GL_TEXTURE_2D, name);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        }
        return out;
    }();
    return w;
}

// The active unit's stage as linear fog's blend: the picture mixed with `fogColour` (RGBA) by the
// fragment colour's alpha, which carries the fog's share; its alpha the picture's.
void setFogInStage(const float* fogColour) {
    worlddraw::setCombineStage(GL_INTERPOLATE, GL_TEXTURE, GL_CONSTANT, 1.0f, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_PRIMARY_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, fogColour);
}

void setState(const Case& c) {
    const double k = c.Widened ? 4.0 : 1.0;
    glViewport(c.Widened ? -kWindowWidth * 3 / 2 : 0, c.Widened ? -kWindowHeight * 3 / 2 : 0, int(kWindowWidth * k),
               int(kWindowHeight * k));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double hx = kWindowWidth / 2.0 / kFocal * kNear * k, hy = kWindowHeight / 2.0 / kFocal * kNear * k;
    glFrustum(-hx, hx, -hy, hy, kNear, kFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (c.Box == Scissor::Off) {
        glDisable(GL_SCISSOR_TEST);
    } else {
        glEnable(GL_SCISSOR_TEST);
        const int inset = c.Box == Scissor::Inset ? 2 : 0;  // px: a box whose sides cross the end squares
        glScissor(inset, 0, kWindowWidth - 2 * inset, kWindowHeight);
    }
    glEnable(GL_DEPTH_TEST);
    if (!c.Depth) glDisable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, c.Format == GL_RGB8 ? theWindow().Picture : theWindow().PictureRgba);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(c.MinFilter));
    glShadeModel(c.Texenv == Colour::Flat || c.Texenv == Colour::Untextured ? GL_FLAT : GL_SMOOTH);
    if (c.Texenv == Colour::Untextured || c.Texenv == Colour::UntexturedSmooth) glDisable(GL_TEXTURE_2D);
    if (c.Texenv == Colour::CombineNoColour || c.Texenv == Colour::FogInCombine) {
        // The ground's own stages: the picture's colour and its own alpha (one for RGB), no
        // fragment colour read; or that mixed with the fog's colour by the fragment's alpha.
        const GLfloat fogColour[4] = {0.7f, 0.75f, 0.8f, 1};
        if (c.Texenv == Colour::FogInCombine) setFogInStage(fogColour);
        else worlddraw::setCombineStage(GL_REPLACE, GL_TEXTURE, GL_TEXTURE, 1.0f, GL_TEXTURE);
    } else {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, c.Texenv == Colour::Modulate ? GL_MODULATE : GL_REPLACE);
    }
    glColor4f(1, 1, 1, 1);
    if (c.Fog) glEnable(GL_FOG);
    else glDisable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glHint(GL_FOG_HINT, c.FogHint);
    glFogf(GL_FOG_START, float(kFogStart));
    glFogf(GL_FOG_END, float(kFogEnd));
    const GLfloat fog[4] = {0.7f, 0.75f, 0.8f, 1};
    glFogfv(GL_FOG_COLOR, fog);
}

void drawBand(const Band& band, const Case& c) {
    glInterleavedArrays(GL_T2F_V3F, 0, band.Points.data());
    if (c.Texenv == Colour::Untextured) {  // a colour a draw, no picture coordinate sent
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glColor4f(0.45f, 0.5f, 0.3f, 1);
    }
    static std::vector<uint8_t> colours;
    if (c.Texenv == Colour::UntexturedSmooth || c.Texenv == Colour::FogInCombine) {  // a colour a vertex
        if (c.Texenv == Colour::UntexturedSmooth) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        colours.resize(band.Points.size() * 4);
        for (size_t k = 0; k < colours.size(); ++k) colours[k] = uint8_t(100 + k % 7 * 10);
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, colours.data());
    }
    std::vector<size_t> rows(band.Rows.size());
    for (size_t r = 0; r < rows.size(); ++r) rows[r] = r;
    if (c.Draw == Order::BottomUp) std::reverse(rows.begin(), rows.end());
    if (c.Draw == Order::Interleaved)
        std::stable_partition(rows.begin(), rows.end(), [](size_t r) { return r % 2 == 0; });
    std::vector<uint32_t> all;
    for (size_t r : rows) all.insert(all.end(), band.Rows[r].begin(), band.Rows[r].end());
    const size_t per = (all.size() / 3 + c.Draws - 1) / c.Draws * 3;
    for (size_t at = 0; at < all.size(); at += per)
        glDrawElements(GL_TRIANGLES, GLsizei(std::min(per, all.size() - at)), GL_UNSIGNED_INT, all.data() + at);
}

void BM_FarGround(benchmark::State& state, Case c) {
    Window& w = theWindow();
    if (!w.Gl) {
        state.SkipWithError("no GL window");
        return;
    }
    const Band band = makeBand(c);
    Band nearer;
    if (c.Hidden) {  // the same rows a tenth nearer, drawn first
        nearer = band;
        for (auto& p : nearer.Points) p.X *= 0.9f, p.Y *= 0.9f, p.Z *= 0.9f;
    }
    long triangles = 0;
    for (const auto& row : band.Rows) triangles += long(row.size() / 3);
    if (c.Triangles == 0) triangles = 0;
    const auto frame = [&] {
        glClearColor(0.5f, 0.6f, 0.8f, 1);
        glDisable(GL_SCISSOR_TEST);  // a scissored clear takes the slow path
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        setState(c);
        if (c.Triangles > 0) {
            if (c.Hidden) drawBand(nearer, c);
            drawBand(band, c);
        }
        glFinish();
    };
    frame();
    CALLGRIND_ZERO_STATS;
    CALLGRIND_START_INSTRUMENTATION;
    for (auto _ : state) frame();
    CALLGRIND_STOP_INSTRUMENTATION;
    // Callgrind reads the name when it writes the dump, after this returns: kept for the run.
    static std::vector<std::unique_ptr<std::string>> names;
    names.push_back(std::make_unique<std::string>(std::string(c.Name) + " frames=" + std::to_string(state.iterations()) +
                                                  " triangles=" + std::to_string(triangles)));
    CALLGRIND_DUMP_STATS_AT(names.back()->c_str());
    state.counters["triangles"] = double(triangles);
}

const bool kRegistered = [] {
    std::vector<Case> cases;
    const auto add = [&](const char* name, auto change) {
        Case c;
        c.Name = name;
        change(c);
        cases.push_back(c);
    };
    add("empty", [](Case& c) { c.Triangles = 0; });
    add("base", [](Case&) {});
    // Shape: width and height of a square in pixels.
    add("w8h2", [](Case& c) { c.Width = 8; });
    add("w80h2", [](Case& c) { c.Width = 80; });
    add("w40h1", [](Case& c) { c.Height = 1; });
    add("w40h4", [](Case& c) { c.Height = 4; });
    add("w40h8", [](Case& c) { c.Height = 8; });
    // Tile columns (64 px) and 16-px blocks: squares kept inside them or across them.
    add("w32in_tile", [](Case& c) { c.Width = 32; });
    add("w32across_tile", [](Case& c) { c.Width = 32, c.Offset = 16; });
    add("w16in_block", [](Case& c) { c.Width = 16; });
    add("w16across_block", [](Case& c) { c.Width = 16, c.Offset = 8; });
    add("w12in_block", [](Case& c) { c.Width = 12, c.Offset = 2; });
    add("w8across_block", [](Case& c) { c.Width = 8, c.Offset = 12; });
    // Scissor: off, the window's (base), and each row's end squares across the window's edges, under
    // the window's box, none, and a box 2 px inside the window whose sides cross them.
    add("scissor_off", [](Case& c) { c.Box = Scissor::Off; });
    add("edges_out", [](Case& c) { c.EdgesOut = true; });
    add("edges_out_scissor_off", [](Case& c) { c.EdgesOut = true, c.Box = Scissor::Off; });
    add("edges_out_scissor_inset", [](Case& c) { c.EdgesOut = true, c.Box = Scissor::Inset; });
    add("edges_out_not_widened", [](Case& c) { c.EdgesOut = true, c.Widened = false; });
    add("not_widened", [](Case& c) { c.Widened = false; });
    // Per-pixel state.
    add("fog_off", [](Case& c) { c.Fog = false; });
    add("trilinear", [](Case& c) { c.MinFilter = GL_LINEAR_MIPMAP_LINEAR; });
    add("nearest_mip_nearest", [](Case& c) { c.MinFilter = GL_NEAREST_MIPMAP_NEAREST; });
    add("linear_no_mip", [](Case& c) { c.MinFilter = GL_LINEAR; });
    add("depth_off", [](Case& c) { c.Depth = false; });
    add("modulate", [](Case& c) { c.Texenv = Colour::Modulate; });
    add("replace", [](Case& c) { c.Texenv = Colour::Replace; });
    add("replace_flat", [](Case& c) { c.Texenv = Colour::Flat; });
    add("untextured_flat", [](Case& c) { c.Texenv = Colour::Untextured; });
    add("untextured_flat_fog_off", [](Case& c) { c.Texenv = Colour::Untextured, c.Fog = false; });
    add("untextured_smooth_fog_off", [](Case& c) { c.Texenv = Colour::UntexturedSmooth, c.Fog = false; });
    add("untextured_smooth", [](Case& c) { c.Texenv = Colour::UntexturedSmooth; });
    add("fog_in_combine", [](Case& c) { c.Texenv = Colour::FogInCombine, c.Fog = false; });
    // The same for squares four times as tall, nearer: more of their blocks wholly covered.
    add("w40h8_fog_off", [](Case& c) { c.Height = 8, c.Fog = false; });
    add("w40h8_fog_in_combine", [](Case& c) { c.Height = 8, c.Texenv = Colour::FogInCombine, c.Fog = false; });
    add("w40h8_untextured_smooth_fog_off", [](Case& c) { c.Height = 8, c.Texenv = Colour::UntexturedSmooth, c.Fog = false; });
    add("w40h8_nearest_mip_nearest", [](Case& c) { c.Height = 8, c.MinFilter = GL_NEAREST_MIPMAP_NEAREST; });
    add("w40h8_linear_no_mip", [](Case& c) { c.Height = 8, c.MinFilter = GL_LINEAR; });
    add("rgba8_picture", [](Case& c) { c.Format = GL_RGBA8; });
    add("fog_hint_fastest", [](Case& c) { c.FogHint = GL_FASTEST; });
    add("fog_hint_nicest", [](Case& c) { c.FogHint = GL_NICEST; });
    // Squares slanted on the screen (seen across the grid's diagonal), cut along the diagonal
    // that runs across the screen or along the one that runs up it.
    add("slant20_long_diagonal", [](Case& c) { c.Slant = 20; });
    add("slant20_short_diagonal", [](Case& c) { c.Slant = 20, c.OtherDiagonal = true; });
    add("slant40_long_diagonal", [](Case& c) { c.Slant = 40; });
    add("slant40_short_diagonal", [](Case& c) { c.Slant = 40, c.OtherDiagonal = true; });
    // Order and draws.
    add("bottom_up", [](Case& c) { c.Draw = Order::BottomUp; });
    add("interleaved", [](Case& c) { c.Draw = Order::Interleaved; });
    add("hidden_behind", [](Case& c) { c.Hidden = true; });
    add("draws12", [](Case& c) { c.Draws = 12; });
    for (const Case& c : cases) {
        auto* b = benchmark::RegisterBenchmark((std::string("BM_FarGround/") + c.Name).c_str(),
                                               [c](benchmark::State& s) { BM_FarGround(s, c); });
        b->Unit(benchmark::kMillisecond)->UseRealTime();
        if (const char* n = std::getenv("PELLAM_BENCH_FRAMES")) b->Iterations(std::max(1, std::atoi(n)));
    }
    return true;
}();

}  // namespace
}  // namespace pellam
