#!/bin/bash
# What the real game asks of the GL in one frame: draw calls and the indices and vertices they send,
# immediate-mode vertices, and the state changes (texture binds, enables, materials, colours,
# matrices, depth, blend and fog settings, queries that make the driver answer at once), counted by
# a small preloaded library that stands between the game and the GL. Each of these runs on the
# game's own thread in Mesa's software renderer, before the rasteriser's threads get the frame.
# It also splits the wait at the buffer swap into the wait for the rasteriser to finish (a glFinish
# just before the swap) and the present itself.
# Flies the opening fight of Quick Dogfight (the player script quick_dogfight.txt beside this file)
# for SECONDS and counts the frames after the first 150.
#
# Usage: bench/game/gl_calls.sh [path to pellam] [seconds] [cpu list]   (defaults: build/release/pellam, 30, 0-3)
# Needs: gcc, xvfb.
set -euo pipefail
game=${1:-build/release/pellam}
seconds=${2:-30}
cpus=${3:-0-3}
[ -x "$game" ] || { echo "no game at $game" >&2; exit 1; }
fight="$(dirname "$(realpath "$0")")/quick_dogfight.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/count.c" <<'C'
#define _GNU_SOURCE
#include <GL/gl.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
typedef struct SDL_Window SDL_Window;
void SDL_GL_SwapWindow(SDL_Window* w);

#define KINDS(X) X(DrawElements) X(DrawElementsIndices) X(DrawArrays) X(DrawArraysVertices) X(Begin) \
    X(ImmediateVertices) X(BindTexture) X(EnableDisable) X(Material) X(Colour) X(MatrixLoadMult) \
    X(PushPopMatrix) X(PushPopAttrib) X(TexEnvParameter) X(Fog) X(DepthFuncMask) X(BlendFunc) \
    X(AlphaFunc) X(ClientArrays) X(Queries) X(Clear)
#define ENUM(k) k,
#define NAME(k) #k,
enum { KINDS(ENUM) KindCount };
static const char* names[] = {KINDS(NAME)};
static long now_[KindCount], sum[KindCount], frames, counted;
static double finishMs, presentMs, presentMax;

#define REAL(name) static __typeof__(name)* real; if (!real) real = (__typeof__(name)*)dlsym(RTLD_NEXT, #name)
#define WRAP(ret, name, params, args, kind) ret name params { REAL(name); ++now_[kind]; return real args; }
WRAP(void, glBegin, (GLenum m), (m), Begin)
WRAP(void, glVertex2d, (GLdouble a, GLdouble b), (a, b), ImmediateVertices)
WRAP(void, glVertex2f, (GLfloat a, GLfloat b), (a, b), ImmediateVertices)
WRAP(void, glVertex3d, (GLdouble a, GLdouble b, GLdouble c), (a, b, c), ImmediateVertices)
WRAP(void, glVertex3f, (GLfloat a, GLfloat b, GLfloat c), (a, b, c), ImmediateVertices)
WRAP(void, glBindTexture, (GLenum t, GLuint n), (t, n), BindTexture)
WRAP(void, glEnable, (GLenum c), (c), EnableDisable)
WRAP(void, glDisable, (GLenum c), (c), EnableDisable)
WRAP(void, glMaterialfv, (GLenum a, GLenum b, const GLfloat* c), (a, b, c), Material)
WRAP(void, glMaterialf, (GLenum a, GLenum b, GLfloat c), (a, b, c), Material)
WRAP(void, glColor4f, (GLfloat a, GLfloat b, GLfloat c, GLfloat d), (a, b, c, d), Colour)
WRAP(void, glColor4fv, (const GLfloat* c), (c), Colour)
WRAP(void, glColor4d, (GLdouble a, GLdouble b, GLdouble c, GLdouble d), (a, b, c, d), Colour)
WRAP(void, glColor3f, (GLfloat a, GLfloat b, GLfloat c), (a, b, c), Colour)
WRAP(void, glLoadMatrixd, (const GLdouble* m), (m), MatrixLoadMult)
WRAP(void, glLoadMatrixf, (const GLfloat* m), (m), MatrixLoadMult)
WRAP(void, glMultMatrixd, (const GLdouble* m), (m), MatrixLoadMult)
WRAP(void, glLoadIdentity, (void), (), MatrixLoadMult)
WRAP(void, glPushMatrix, (void), (), PushPopMatrix)
WRAP(void, glPopMatrix, (void), (), PushPopMatrix)
WRAP(void, glPushAttrib, (GLbitfield a), (a), PushPopAttrib)
WRAP(void, glPopAttrib, (void), (), PushPopAttrib)
WRAP(void, glTexEnvi, (GLenum a, GLenum b, GLint c), (a, b, c), TexEnvParameter)
WRAP(void, glTexEnvf, (GLenum a, GLenum b, GLfloat c), (a, b, c), TexEnvParameter)
WRAP(void, glTexParameteri, (GLenum a, GLenum b, GLint c), (a, b, c), TexEnvParameter)
WRAP(void, glFogf, (GLenum a, GLfloat b), (a, b), Fog)
WRAP(void, glFogi, (GLenum a, GLint b), (a, b), Fog)
WRAP(void, glFogfv, (GLenum a, const GLfloat* b), (a, b), Fog)
WRAP(void, glDepthFunc, (GLenum a), (a), DepthFuncMask)
WRAP(void, glDepthMask, (GLboolean a), (a), DepthFuncMask)
WRAP(void, glBlendFunc, (GLenum a, GLenum b), (a, b), BlendFunc)
WRAP(void, glAlphaFunc, (GLenum a, GLclampf b), (a, b), AlphaFunc)
WRAP(void, glInterleavedArrays, (GLenum a, GLsizei b, const void* c), (a, b, c), ClientArrays)
WRAP(void, glTexCoordPointer, (GLint a, GLenum b, GLsizei c, const void* d), (a, b, c, d), ClientArrays)
WRAP(void, glVertexPointer, (GLint a, GLenum b, GLsizei c, const void* d), (a, b, c, d), ClientArrays)
WRAP(void, glEnableClientState, (GLenum a), (a), ClientArrays)
WRAP(void, glDisableClientState, (GLenum a), (a), ClientArrays)
WRAP(void, glGetFloatv, (GLenum a, GLfloat* b), (a, b), Queries)
WRAP(void, glGetDoublev, (GLenum a, GLdouble* b), (a, b), Queries)
WRAP(void, glGetIntegerv, (GLenum a, GLint* b), (a, b), Queries)
WRAP(GLenum, glGetError, (void), (), Queries)
WRAP(GLboolean, glIsEnabled, (GLenum a), (a), Queries)
WRAP(void, glClear, (GLbitfield a), (a), Clear)

void glDrawElements(GLenum m, GLsizei c, GLenum t, const void* i) {
    REAL(glDrawElements);
    ++now_[DrawElements];
    now_[DrawElementsIndices] += c;
    real(m, c, t, i);
}
void glDrawArrays(GLenum m, GLint f, GLsizei c) {
    REAL(glDrawArrays);
    ++now_[DrawArrays];
    now_[DrawArraysVertices] += c;
    real(m, f, c);
}

static double ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}
static void report(void) {
    if (!counted) return;
    FILE* out = fopen(getenv("GL_CALLS_OUT"), "w");
    if (!out) return;
    fprintf(out, "%ld frames counted\n", counted);
    for (int k = 0; k < KindCount; ++k)
        fprintf(out, "  %-20s %9.1f a frame\n", names[k], sum[k] / (double)counted);
    fprintf(out, "  wait for the rasteriser %6.2f ms a frame\n", finishMs / counted);
    fprintf(out, "  present                 %6.2f ms a frame (longest %.2f)\n", presentMs / counted, presentMax);
    fclose(out);
}
void SDL_GL_SwapWindow(SDL_Window* w) {
    REAL(SDL_GL_SwapWindow);
    const int counting = ++frames > 150;
    if (frames == 151) atexit(report);
    const double t0 = ms();
    glFinish();
    const double t1 = ms();
    real(w);
    const double t2 = ms();
    if (counting) {
        ++counted;
        for (int k = 0; k < KindCount; ++k) sum[k] += now_[k];
        finishMs += t1 - t0;
        presentMs += t2 - t1;
        if (t2 - t1 > presentMax) presentMax = t2 - t1;
    }
    for (int k = 0; k < KindCount; ++k) now_[k] = 0;
}
C
gcc -O2 -shared -fPIC -o "$work/count.so" "$work/count.c" -ldl
mkdir -p "$work/home"
echo "load: $(uptime)"
env SDL_AUDIODRIVER=dummy PELLAM_AUTOQUIT_SECONDS="$seconds" PELLAM_PLAYER_SCRIPT="$fight" HOME="$work/home" \
    GL_CALLS_OUT="$work/calls.txt" LD_PRELOAD="$work/count.so" \
    taskset -c "$cpus" xvfb-run -a -s "-screen 0 1024x768x24" "$game" >"$work/log.txt" 2>&1 || true
[ -s "$work/calls.txt" ] || { echo "no counts (see the game's log below)"; tail -5 "$work/log.txt"; exit 1; }
echo "flying, cores $cpus:"
cat "$work/calls.txt"
