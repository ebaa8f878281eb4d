#!/usr/bin/env bash
# Installs what is missing, builds Pellam with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test through CTest (GL tests start their own Xvfb server). With --release the
# same tests run on the optimised build (build/release, as scripts/run.sh makes it): a fault that
# only the sanitised build's slower timing hides shows there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if [[ "${1:-}" == "--release" ]]; then build=release; else build=asan; fi
scripts/configure.sh "$build"
build=build/$build
cmake --build "$build"
export SDL_AUDIODRIVER=dummy
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
