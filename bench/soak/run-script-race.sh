#!/bin/sh
# Two morvane-batch runs of one program directory at once, both through the frame-server script
# input.avs, round after round (50 unless a count is given): every output must come from its own
# source. Before the script was held by one run at a time, outputs of one batch showed the other's
# clips within a few rounds.
#
#   bench/soak/run-script-race.sh [BUILD_DIR] [ROUNDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
rounds=${2:-50}
cmake --build "$build" --target morvane_hardening_tests
MORVANE_TESTING=1 MORVANE_SCRIPT_RACE_ROUNDS=$rounds "$build/tests/hardening/morvane_hardening_tests" \
    --gtest_filter='DataSafety.ConcurrentBatchesNeverReadEachOthersScript'
