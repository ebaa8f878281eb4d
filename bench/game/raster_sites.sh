#!/bin/bash
# Where Mesa's software rasteriser spends its time in the real game, by the place in the game that
# sent the drawing: flies the opening fight of Quick Dogfight (quick_dogfight.txt beside this file)
# with the rasteriser in the game's thread (LP_NUM_THREADS=0), and a small preloaded library makes
# Mesa finish each draw call at once, counting the thread's CPU time in that finish (less an empty
# finish's) against the function that made the call and the one that called it. The colour and
# depth clear and the swap are counted on their own lines. Finishing each call costs the game
# thread time but does not change what a call shades, so the sum is the rasteriser's work a frame,
# near what its threads take in the plain game. Beside the time, each call's fragments (the
# rasteriser counts whole 4x4 blocks it shades) and the samples that passed its tests (depth, alpha)
# come from the GL's own counters: a site with far fewer samples than fragments shades pixels that
# are thrown away. Counts FRAMES frames after the first START.
#
# Usage: bench/game/raster_sites.sh [path to pellam] [frames] [start]   (defaults: build/release/pellam, 300, 700)
# CORES (default 2-7) pins the run. Needs: gcc, xvfb, binutils (addr2line).
set -euo pipefail
game=${1:-build/release/pellam}
frames=${2:-300}
start=${3:-700}
[ -x "$game" ] || { echo "no game at $game" >&2; exit 1; }
fight="$(dirname "$(realpath "$0")")/quick_dogfight.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/sites.c" <<'C'
#define _GNU_SOURCE
#include <GL/gl.h>
#include <GL/glx.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
typedef struct SDL_Window SDL_Window;
enum { kSites = 4096 };
static void* site[kSites]; static void* caller[kSites]; static double ms[kSites], calls[kSites], frg[kSites], smp[kSites];
static int sites, active, inList;
// The GL's counters of the fragments a call shades and the samples that pass, around each call.
enum { kFragments = 0x82F4 /* GL_FRAGMENT_SHADER_INVOCATIONS */, kSamples = 0x8914 /* GL_SAMPLES_PASSED */ };
typedef void (*GenQueries)(GLsizei, GLuint*); typedef void (*BeginQuery)(GLenum, GLuint);
typedef void (*EndQuery)(GLenum); typedef void (*QueryResult)(GLuint, GLenum, uint64_t*);
static GenQueries genQueries; static BeginQuery beginQuery; static EndQuery endQuery; static QueryResult queryResult;
static GLuint query[2]; static int counting; static uint64_t fragments, samples;
#define GL_PROC(name) glXGetProcAddress((const GLubyte*)name)
static void startCount(void) {
    if (!genQueries) {
        genQueries = (GenQueries)GL_PROC("glGenQueries"), beginQuery = (BeginQuery)GL_PROC("glBeginQuery");
        endQuery = (EndQuery)GL_PROC("glEndQuery"), queryResult = (QueryResult)GL_PROC("glGetQueryObjectui64v");
    }
    if (!active || inList || counting) return;
    if (!query[0]) genQueries(2, query);
    beginQuery(kFragments, query[0]), beginQuery(kSamples, query[1]);
    counting = 1;
}
static void endCount(void) {
    fragments = samples = 0;
    if (!counting) return;
    endQuery(kFragments), endQuery(kSamples);
    queryResult(query[0], GL_QUERY_RESULT, &fragments), queryResult(query[1], GL_QUERY_RESULT, &samples);
    counting = 0;
}

static long frames, counted, start, wanted;
static void* beginSite; static void* beginCaller;
static double cpu(void) { struct timespec t; clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t); return t.tv_sec * 1e3 + t.tv_nsec * 1e-6; }
#define REAL(name, ...) static void (*real)(); if (!real) real = dlsym(RTLD_NEXT, #name); real(__VA_ARGS__)
static void* callerOf(void* s) {
    void* b[16]; int n = backtrace(b, 16);
    for (int k = 0; k + 1 < n; ++k) if (b[k] == s) return b[k + 1];
    return 0;
}
static void add(void* s, void* c, double t) {
    int k = 0; while (k < sites && (site[k] != s || caller[k] != c)) ++k;
    if (k == kSites) return;
    if (k == sites) site[k] = s, caller[k] = c, ++sites;
    ms[k] += t, calls[k] += 1, frg[k] += fragments, smp[k] += samples;
}
static void settle(void* s, void* c) {
    static void (*finish)(void);
    if (!active || inList) { endCount(); return; }
    if (!finish) finish = dlsym(RTLD_NEXT, "glFinish");
    double t0 = cpu(); finish(); double t1 = cpu(); finish(); double t2 = cpu();
    endCount();
    add(s, c, (t1 - t0) - (t2 - t1));
}
void glNewList(GLuint l, GLenum m) { inList = 1; REAL(glNewList, l, m); }
void glEndList(void) { REAL(glEndList); inList = 0; }
void glBegin(GLenum m) { startCount(); beginSite = __builtin_return_address(0); beginCaller = active ? callerOf(beginSite) : 0; REAL(glBegin, m); }
void glEnd(void) { REAL(glEnd); settle(beginSite, beginCaller); }
void glClear(GLbitfield m) { startCount(); REAL(glClear, m); settle((void*)1, 0); }
#define DRAW(args) startCount(); void* s = __builtin_return_address(0); void* c = active ? callerOf(s) : 0; args; settle(s, c)
void glDrawArrays(GLenum a, GLint b, GLsizei n) { DRAW(REAL(glDrawArrays, a, b, n)); }
void glDrawElements(GLenum a, GLsizei n, GLenum t, const void* i) { DRAW(REAL(glDrawElements, a, n, t, i)); }
void glMultiDrawArrays(GLenum a, const GLint* f, const GLsizei* n, GLsizei d) { DRAW(REAL(glMultiDrawArrays, a, f, n, d)); }
void glCallList(GLuint l) { DRAW(REAL(glCallList, l)); }
void SDL_GL_SwapWindow(SDL_Window* w) {
    if (!wanted) start = atol(getenv("SITES_START")), wanted = atol(getenv("SITES_FRAMES"));
    if (active) ++counted;
    active = ++frames > start && counted < wanted;
    double t = cpu(); REAL(SDL_GL_SwapWindow, w);
    if (active) add((void*)2, 0, cpu() - t);
    if (counted != wanted || !wanted) return;
    FILE* f = fopen(getenv("SITES_OUT"), "w");
    for (int k = 0; k < sites; ++k) {
        Dl_info i = {0}, j = {0};
        if ((uintptr_t)site[k] > 2) dladdr(site[k], &i);
        if (caller[k]) dladdr(caller[k], &j);
        fprintf(f, "%.4f %.1f %.0f %.0f %s 0x%lx 0x%lx\n", ms[k] / counted, calls[k] / counted, frg[k] / counted, smp[k] / counted, i.dli_fname ? i.dli_fname : "-",
                (unsigned long)((uintptr_t)site[k] - (uintptr_t)i.dli_fbase), (unsigned long)((uintptr_t)caller[k] - (uintptr_t)j.dli_fbase));
    }
    fclose(f);
    wanted = -1;
}
C
gcc -shared -fPIC -O2 -o "$work/sites.so" "$work/sites.c" -ldl -lGL

mkdir -p "$work/home"
LP_NUM_THREADS=0 LD_PRELOAD="$work/sites.so" SITES_START="$start" SITES_FRAMES="$frames" SITES_OUT="$work/sites.txt" \
    SDL_AUDIODRIVER=dummy HOME="$work/home" PELLAM_PLAYER_SCRIPT="$fight" \
    PELLAM_AUTOQUIT_SECONDS=$(( (start + frames) / 20 + 30 )) \
    taskset -c "${CORES:-2-7}" xvfb-run -a -s "-screen 0 1024x768x24" "$game" >"$work/log.txt" 2>&1 || true
[ -s "$work/sites.txt" ] || { echo "fewer than $((start + frames)) frames drawn (see the game's log)"; tail -5 "$work/log.txt"; exit 1; }
# A function's name without its arguments; a lambda called through std::function by the function it is in.
name() {
    addr2line -f -C -e "$game" "$1" | head -1 |
        sed -E 's/^std::_Function_handler<[^,]*, //; s/\(anonymous namespace\):://g; s/\(.*//' | cut -c1-70
}
echo "load: $(uptime)"
awk '{ s += $1; f += $3; p += $4 } END { printf "rasteriser %.2f ms a frame (one thread), frags %.0f samples %.0f, over '"$frames"' frames\n", s, f, p }' "$work/sites.txt"
printf "%8s %7s %9s %9s  %s\n" "ms/frame" "calls" "frags" "samples" "drawn by < called from"
sort -g -r "$work/sites.txt" | head -"${TOP:-25}" | while read -r t n fr sa file at from; do
    case $at in
        0x1) what="the colour and depth clear" ;;
        0x2) what="the swap" ;;
        *) what="$(name "$at") < $(name "$from")" ;;
    esac
    printf "%8.3f %7.1f %9.0f %9.0f  %s\n" "$t" "$n" "$fr" "$sa" "$what"
done
