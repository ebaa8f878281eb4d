#!/usr/bin/env bash
# Installs what is missing, builds Pellam optimised (the build scripts/run.sh makes, with the tests)
# and runs every test through CTest: a fault that only the sanitised build's slower timing hides
# shows here.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELLAM_TESTS=ON
cmake --build build/release
export SDL_AUDIODRIVER=dummy
ctest --test-dir build/release --output-on-failure -j"$(nproc)"
