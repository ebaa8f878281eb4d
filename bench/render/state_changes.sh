#!/bin/bash
# What one benchmark frame asks of the GL, by kind, and what its state changes cost the software
# rasteriser: a small preloaded library counts the draws and the state calls (texture binds,
# enables by capability, materials, shade model, texture environment and parameters, matrices,
# client arrays, depth, blending, scissor...) between the game and the GL, and the copies of the
# rasteriser's fragment state (about 33 KB, made inside a draw call whose state differs from the
# one stored before) with the kinds of state call made since the draw before, and the game's
# functions whose draw made each copy. Reports the last frame drawn.
# Runs the frame benchmark with LP_NUM_THREADS=0, so that all of a draw's work is done inside it.
#
# Usage: bench/render/state_changes.sh SCENE [path to render_frame_bench] [functions named a copy, 3]
#   e.g. bench/render/state_changes.sh cockpit_camel build/release/render_frame_bench 4
# A SCENE starting with BM_ is taken as the whole benchmark filter, for the program's other frame
# benchmarks (e.g. BM_EffectsFrame, also in render_frame_bench).
# Needs: gcc, xvfb, binutils (addr2line).
set -euo pipefail
scene=$1
bench=$(realpath "${2:-build/release/render_frame_bench}")
depth=${3:-3}
filter="BM_GameFrame/$scene/"
[[ "$scene" == BM_* ]] && filter=$scene
work=$(mktemp -d)
trap '[ -n "${STATE_CHANGES_KEEP:-}" ] || rm -rf "$work"' EXIT

cat > "$work/count.c" <<'C'
#define _GNU_SOURCE
#include <GL/gl.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
typedef struct SDL_Window SDL_Window;

#define KINDS(X) X(Bind) X(EnFog) X(EnTexture) X(EnLighting) X(EnCull) X(EnAlphaTest) X(EnBlend) X(EnOther) \
    X(Material) X(ShadeModel) X(TexEnv) X(TexParameter) X(Colour) X(Matrix) X(Depth) X(BlendFunc) X(AlphaFunc) \
    X(Arrays) X(PushPopAttrib) X(Fog) X(ScissorViewport) X(PolygonOffset) X(Light)
#define ENUM(k) k,
#define NAME(k) #k,
enum { KINDS(ENUM) KindCount };
static const char* names[] = {KINDS(NAME)};
static long calls[KindCount], copiesAfter[KindCount], draws, copies;
static unsigned since;  /* kinds called since the last draw */
static int inDraw;
static unsigned long exeLo, exeHi;
struct Site { unsigned long at[DEPTH]; long n; };
static struct Site sites[2048];
static int siteCount;
struct Mask { unsigned kinds; long n; };
static struct Mask masks[512];
static int maskCount;

static void note(int k) { ++calls[k]; since |= 1u << k; }
#define REAL(name) static __typeof__(name)* real; if (!real) real = (__typeof__(name)*)dlsym(RTLD_NEXT, #name)
#define WRAP(ret, name, params, args, kind) ret name params { REAL(name); note(kind); return real args; }
static int capability(GLenum c) {
    switch (c) {
    case GL_FOG: return EnFog;
    case GL_TEXTURE_2D: return EnTexture;
    case GL_LIGHTING: return EnLighting;
    case GL_CULL_FACE: return EnCull;
    case GL_ALPHA_TEST: return EnAlphaTest;
    case GL_BLEND: return EnBlend;
    default: return EnOther;
    }
}
void glEnable(GLenum c) { REAL(glEnable); note(capability(c)); real(c); }
void glDisable(GLenum c) { REAL(glDisable); note(capability(c)); real(c); }
WRAP(void, glBindTexture, (GLenum t, GLuint n), (t, n), Bind)
WRAP(void, glMaterialfv, (GLenum a, GLenum b, const GLfloat* c), (a, b, c), Material)
WRAP(void, glMaterialf, (GLenum a, GLenum b, GLfloat c), (a, b, c), Material)
WRAP(void, glShadeModel, (GLenum a), (a), ShadeModel)
WRAP(void, glTexEnvi, (GLenum a, GLenum b, GLint c), (a, b, c), TexEnv)
WRAP(void, glTexEnvf, (GLenum a, GLenum b, GLfloat c), (a, b, c), TexEnv)
WRAP(void, glTexEnvfv, (GLenum a, GLenum b, const GLfloat* c), (a, b, c), TexEnv)
WRAP(void, glTexParameteri, (GLenum a, GLenum b, GLint c), (a, b, c), TexParameter)
WRAP(void, glColor4f, (GLfloat a, GLfloat b, GLfloat c, GLfloat d), (a, b, c, d), Colour)
WRAP(void, glColor4fv, (const GLfloat* c), (c), Colour)
WRAP(void, glColor4d, (GLdouble a, GLdouble b, GLdouble c, GLdouble d), (a, b, c, d), Colour)
WRAP(void, glColor3f, (GLfloat a, GLfloat b, GLfloat c), (a, b, c), Colour)
WRAP(void, glLoadMatrixd, (const GLdouble* m), (m), Matrix)
WRAP(void, glLoadMatrixf, (const GLfloat* m), (m), Matrix)
WRAP(void, glMultMatrixd, (const GLdouble* m), (m), Matrix)
WRAP(void, glLoadIdentity, (void), (), Matrix)
WRAP(void, glDepthFunc, (GLenum a), (a), Depth)
WRAP(void, glDepthMask, (GLboolean a), (a), Depth)
WRAP(void, glDepthRange, (GLclampd a, GLclampd b), (a, b), Depth)
WRAP(void, glBlendFunc, (GLenum a, GLenum b), (a, b), BlendFunc)
WRAP(void, glAlphaFunc, (GLenum a, GLclampf b), (a, b), AlphaFunc)
WRAP(void, glInterleavedArrays, (GLenum a, GLsizei b, const void* c), (a, b, c), Arrays)
WRAP(void, glVertexPointer, (GLint a, GLenum b, GLsizei c, const void* d), (a, b, c, d), Arrays)
WRAP(void, glPushAttrib, (GLbitfield a), (a), PushPopAttrib)
WRAP(void, glPopAttrib, (void), (), PushPopAttrib)
WRAP(void, glFogf, (GLenum a, GLfloat b), (a, b), Fog)
WRAP(void, glFogi, (GLenum a, GLint b), (a, b), Fog)
WRAP(void, glFogfv, (GLenum a, const GLfloat* b), (a, b), Fog)
WRAP(void, glScissor, (GLint a, GLint b, GLsizei c, GLsizei d), (a, b, c, d), ScissorViewport)
WRAP(void, glViewport, (GLint a, GLint b, GLsizei c, GLsizei d), (a, b, c, d), ScissorViewport)
WRAP(void, glPolygonOffset, (GLfloat a, GLfloat b), (a, b), PolygonOffset)
WRAP(void, glLightfv, (GLenum a, GLenum b, const GLfloat* c), (a, b, c), Light)

static void drew(void) { ++draws; since = 0; }
void glDrawElements(GLenum m, GLsizei c, GLenum t, const void* i) { REAL(glDrawElements); ++inDraw; real(m, c, t, i); --inDraw; drew(); }
void glDrawArrays(GLenum m, GLint f, GLsizei c) { REAL(glDrawArrays); ++inDraw; real(m, f, c); --inDraw; drew(); }
void glEnd(void) { REAL(glEnd); ++inDraw; real(); --inDraw; drew(); }

/* The game's DEPTH innermost functions on the stack (as offsets into the benchmark). */
static void noteSite(void) {
    if (!exeLo) {
        FILE* maps = fopen("/proc/self/maps", "r");
        char line[512];
        while (maps && fgets(line, sizeof line, maps)) {
            unsigned long lo, hi;
            if (strstr(line, getenv("STATE_CHANGES_EXE")) && sscanf(line, "%lx-%lx", &lo, &hi) == 2) {
                if (!exeLo || lo < exeLo) exeLo = lo;
                if (hi > exeHi) exeHi = hi;
            }
        }
        if (maps) fclose(maps);
    }
    void* stack[64];
    const int n = backtrace(stack, 64);
    unsigned long at[DEPTH] = {0};
    for (int i = 0, k = 0; i < n && k < DEPTH; ++i)
        if ((unsigned long)stack[i] >= exeLo && (unsigned long)stack[i] < exeHi) at[k++] = (unsigned long)stack[i] - exeLo;
    for (int i = 0; i < siteCount; ++i)
        if (!memcmp(sites[i].at, at, sizeof at)) { ++sites[i].n; return; }
    if (siteCount < 2048) { memcpy(sites[siteCount].at, at, sizeof at); sites[siteCount++].n = 1; }
}
static void noteCopy(void) {
    ++copies;
    for (int k = 0; k < KindCount; ++k) if (since & (1u << k)) ++copiesAfter[k];
    for (int i = 0; i < maskCount; ++i) if (masks[i].kinds == since) { ++masks[i].n; noteSite(); return; }
    if (maskCount < 512) { masks[maskCount].kinds = since; masks[maskCount++].n = 1; }
    noteSite();
}
void* memcpy(void* to, const void* from, size_t n) {
    static void* (*real)(void*, const void*, size_t);
    if (!real) real = (void* (*)(void*, const void*, size_t))dlsym(RTLD_NEXT, "memcpy");
    if (!real) { char* a = to; const char* b = from; while (n--) *a++ = *b++; return to; }
    if (inDraw && n >= 30000) noteCopy();
    return real(to, from, n);
}

void SDL_GL_SwapWindow(SDL_Window* w) {
    REAL(SDL_GL_SwapWindow);
    FILE* out = fopen(getenv("STATE_CHANGES_OUT"), "w");  /* the last frame's counts stand */
    if (out) {
        fprintf(out, "draws %ld, fragment-state copies %ld\n", draws, copies);
        fprintf(out, "state calls (calls, and copies at the next draw after one):\n");
        for (int k = 0; k < KindCount; ++k)
            if (calls[k]) fprintf(out, "  %-16s %6ld %6ld\n", names[k], calls[k], copiesAfter[k]);
        for (int i = 0; i < maskCount; ++i) {
            fprintf(out, "mask %5ld:", masks[i].n);
            for (int k = 0; k < KindCount; ++k) if (masks[i].kinds & (1u << k)) fprintf(out, " %s", names[k]);
            fprintf(out, "%s\n", masks[i].kinds ? "" : " (none of these)");
        }
        for (int i = 0; i < siteCount; ++i) {
            fprintf(out, "site %ld", sites[i].n);
            for (int k = 0; k < DEPTH; ++k) fprintf(out, " %lx", sites[i].at[k]);
            fprintf(out, "\n");
        }
        fclose(out);
    }
    memset(calls, 0, sizeof calls);
    memset(copiesAfter, 0, sizeof copiesAfter);
    draws = copies = 0;
    maskCount = siteCount = 0;
    real(w);
}
C
gcc -O2 -DDEPTH="$depth" -shared -fPIC -o "$work/count.so" "$work/count.c" -ldl
STATE_CHANGES_OUT="$work/frame.txt" STATE_CHANGES_EXE="$(basename "$bench")" LD_PRELOAD="$work/count.so" \
    PELLAM_BENCH_FRAMES=3 LP_NUM_THREADS=0 xvfb-run -a -s "-screen 0 1024x768x24" \
    "$bench" --benchmark_filter="$filter" --benchmark_min_time=0.01 >"$work/run.txt" 2>&1 || true
[ -s "$work/frame.txt" ] || { echo "no frame counted:"; tail -5 "$work/run.txt"; exit 1; }
echo "$filter, the last frame:"
grep -v '^site \|^mask ' "$work/frame.txt"
echo "copies by the kinds called since the draw before (the most common):"
grep '^mask ' "$work/frame.txt" | sort -k2 -n -r | head -12 | sed 's/^mask /  /'
echo "copies by the game's functions that drew (innermost first):"
name() { addr2line -f -C -e "$bench" "0x$1" | head -1 | sed 's/(anonymous namespace):://g; s/(.*//; s/pellam:://g'; }
grep '^site ' "$work/frame.txt" | sort -k2 -n -r | head -12 | while read -r _ n at; do
    line=""
    for a in $at; do line="$line${line:+ <- }$(name "$a")"; done
    printf '  %5s: %s\n' "$n" "$line"
done
