#!/usr/bin/env bash
# Installs what is missing, builds Pellam optimised (the game and its data only), and starts it.
# build/release is configured as scripts/test.sh --release configures it, so neither makes the other
# reconfigure; the tests and benchmarks there are built by test.sh, not here.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/configure.sh release
cmake --build build/release --target pellam
exec build/release/pellam
