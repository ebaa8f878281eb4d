#!/usr/bin/env bash
# Builds one libFuzzer target with clang (AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs it for the given time. The suite only builds every target with a plain main and replays its
# seeds; fuzzing is this script's. Findings are written to build/fuzz/findings/; the inputs
# fuzz/TARGET_seeds/ holds, if any, start the corpus.
#   scripts/fuzz.sh defaults|pilot_block|state_block|picture|net_wire|net_engine|mission_file|games_page|games_server|input_settings SECONDS [extra libFuzzer options]
# FUZZ_MAX_LEN sets the longest input (4096 bytes unless set; a mission file needs 40000).
set -euo pipefail
cd "$(dirname "$0")/.."
usage="usage: scripts/fuzz.sh defaults|pilot_block|state_block|picture|net_wire|net_engine|mission_file|games_page|games_server|input_settings SECONDS"
target=${1:?"$usage"}
seconds=${2:?"$usage"}
shift 2
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLAM_FUZZ=ON \
      -DPELLAM_TESTS=OFF -DPELLAM_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j"${FUZZ_JOBS:-3}" --target "fuzz_${target}"
corpus=build/fuzz/corpus/${target}
mkdir -p "$corpus" build/fuzz/findings
dict=()
[[ -f fuzz/${target}.dict ]] && dict=(-dict="fuzz/${target}.dict")
seeds=()
[[ -d fuzz/${target}_seeds ]] && seeds=("fuzz/${target}_seeds")
# A picture of a few KB that makes the decoder reserve more than 500 MB is a finding (a single
# allocation under the RSS limit would otherwise pass unseen).
limits=()
[[ $target == picture ]] && limits=(-malloc_limit_mb=500)
exec build/fuzz/fuzz_"${target}" -max_total_time="$seconds" -rss_limit_mb=2048 "${limits[@]}" -max_len="${FUZZ_MAX_LEN:-4096}" \
     -artifact_prefix=build/fuzz/findings/"${target}"- "${dict[@]}" "$@" "$corpus" "${seeds[@]}"
