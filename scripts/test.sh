#!/usr/bin/env bash
# Installs what is missing, builds Pellam with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test through CTest (GL tests start their own Xvfb server).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELLAM_SANITIZE=ON
cmake --build build/asan
export SDL_AUDIODRIVER=dummy
ctest --test-dir build/asan --output-on-failure -j"$(nproc)"
