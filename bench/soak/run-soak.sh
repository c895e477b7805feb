#!/bin/sh
# The long batch soak: one morvane-batch run over many tiny generated clips (200 unless a count is
# given), printing the program's open descriptors and resident memory near the start and near the end
# of the batch. The test suite runs the same check over 60 clips.
#
#   bench/soak/run-soak.sh [BUILD_DIR] [CLIPS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
clips=${2:-200}
cmake --build "$build" --target morvane_hardening_tests
MORVANE_TESTING=1 MORVANE_SOAK_CLIPS=$clips "$build/tests/hardening/morvane_hardening_tests" \
    --gtest_filter='HardeningTest.ABatchOfManyClipsKeepsDescriptorsAndMemoryFlat'
