#!/usr/bin/env bash
# Installs what is missing, builds Pellam with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test through CTest (GL tests start their own Xvfb server). With --release the
# same tests run on the optimised build (build/release, as scripts/run.sh makes it): a fault that
# only the sanitised build's slower timing hides shows there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if [[ "${1:-}" == "--release" ]]; then
  build=build/release
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELLAM_TESTS=ON
else
  build=build/asan
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELLAM_SANITIZE=ON
fi
cmake --build "$build"
export SDL_AUDIODRIVER=dummy
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
