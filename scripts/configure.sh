#!/usr/bin/env bash
# Configures one of the two builds: `release` (optimised, the game with its tests and benchmarks) or
# `asan` (AddressSanitizer and UndefinedBehaviorSanitizer). run.sh and test.sh share these options,
# so one never reconfigures the other's folder.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  release) cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELLAM_TESTS=ON ;;
  asan) cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELLAM_SANITIZE=ON ;;
  *) echo "Usage: scripts/configure.sh release|asan" >&2; exit 2 ;;
esac
