#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in a build folder of their own and runs each
# target in turn, at low priority, for the given seconds (default 600).
#
#   tests/fuzz/run-fuzzers.sh [seconds-per-target] [target ...]
#
# Targets: ini_file profile command_line converter_output script_reader old_arguments time_text
# probe_output info_line (all when none is named). The build folder is $MORVANE_FUZZ_BUILD_DIR, else
# build-fuzz/ in the source tree; corpora, logs and the inputs of any finding stay under <build>/fuzz-runs/<target>/, never in
# the source tree. The seeds come from tests/fuzz/corpus/<target>/ and the shipped profiles.
# Exit status: 0 when every target ran without a finding, 1 when a target found something, 2 when
# the build failed. MORVANE_FUZZ_KEEP_GOING=1 keeps fuzzing after a finding (libFuzzer's fork mode),
# for long runs that should use their whole time.
set -euo pipefail

SECONDS_PER_TARGET=${1:-600}
shift || true
if ! [[ $SECONDS_PER_TARGET =~ ^[0-9]+$ ]] || [[ $SECONDS_PER_TARGET -eq 0 ]]; then
    echo "usage: $0 [seconds-per-target] [target ...]" >&2
    exit 2
fi

SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
FUZZ_DIR=$SOURCE_DIR/tests/fuzz
BUILD_DIR=${MORVANE_FUZZ_BUILD_DIR:-$SOURCE_DIR/build-fuzz}
ALL_TARGETS=(ini_file profile command_line converter_output script_reader old_arguments time_text probe_output info_line
    output_path)
if [[ $# -gt 0 ]]; then
    TARGETS=("$@")
else
    TARGETS=("${ALL_TARGETS[@]}")
fi
for target in "${TARGETS[@]}"; do
    if [[ ! -d $FUZZ_DIR/corpus/$target ]]; then
        echo "unknown target \"$target\"; the targets are: ${ALL_TARGETS[*]}" >&2
        exit 2
    fi
done

CC=${CC:-clang}
CXX=${CXX:-clang++}
case $(basename "$CXX") in
clang++*) ;;
*) CC=clang CXX=clang++ ;; # a gcc from the environment cannot build libFuzzer programs
esac

# Only the fuzz programs and the libraries they test are built; the rest of the project is configured
# without its Qt programs.
echo "== building the fuzz targets in $BUILD_DIR"
if ! CC=$CC CXX=$CXX cmake -S "$SOURCE_DIR" -B "$BUILD_DIR" -G Ninja -Wno-dev \
    -DMORVANE_FUZZ=ON -DMORVANE_BUILD_GUI=OFF -DMORVANE_SANITIZE=OFF -DMORVANE_WERROR=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g" >"$BUILD_DIR.configure.log" 2>&1; then
    cat "$BUILD_DIR.configure.log" >&2
    echo "configuring the fuzz build failed" >&2
    exit 2
fi
rm -f "$BUILD_DIR.configure.log"
BUILD_TARGETS=()
for target in "${TARGETS[@]}"; do
    BUILD_TARGETS+=("fuzz_$target")
done
if ! nice -n 19 cmake --build "$BUILD_DIR" -j2 --target "${BUILD_TARGETS[@]}"; then
    echo "building the fuzz targets failed" >&2
    exit 2
fi

RUNS_DIR=$BUILD_DIR/fuzz-runs
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=0
summary=()
for target in "${TARGETS[@]}"; do
    run=$RUNS_DIR/$target
    mkdir -p "$run/corpus" "$run/artifacts" "$run/tmp"
    cp -n "$FUZZ_DIR/corpus/$target/"* "$run/corpus/" 2>/dev/null || true
    case $target in
    ini_file | profile)
        # The shipped profiles, as whole files (a last line feed selects the whole-file mode).
        for pf in "$SOURCE_DIR"/data/profiles/*.pf; do
            [[ -f $pf ]] && cp -n "$pf" "$run/corpus/shipped-$(basename "$pf")"
        done
        ;;
    esac
    max_len=4096
    [[ $target == ini_file || $target == profile ]] && max_len=16384
    dict=()
    keep_going=()
    [[ ${MORVANE_FUZZ_KEEP_GOING:-0} == 1 ]] &&
        keep_going=(-fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
    [[ -f $FUZZ_DIR/dictionaries/$target.dict ]] && dict=(-dict="$FUZZ_DIR/dictionaries/$target.dict")

    echo "== fuzz_$target for ${SECONDS_PER_TARGET} s"
    log=$run/last-run.log
    touch "$run/.started"
    status=0
    # Scratch files of the targets go to the run's own folder, where a crashed run may leave them.
    (cd "$run" && TMPDIR=$run/tmp nice -n 19 "$BUILD_DIR/tests/fuzz/fuzz_$target" -max_total_time="$SECONDS_PER_TARGET" \
        -max_len=$max_len -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$run/artifacts/" "${dict[@]}" "${keep_going[@]}" "$run/corpus") >"$log" 2>&1 || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [[ -z $executions ]]; then
        executions=$(sed -n 's/^#\([0-9][0-9]*\).*/\1/p' "$log" | tail -1)
    fi
    findings=$(find "$run/artifacts" -type f -newer "$run/.started" | wc -l)
    corpus=$(find "$run/corpus" -type f | wc -l)
    line="fuzz_$target: ${executions:-0} executions, $findings crashes, corpus $corpus inputs"
    if [[ $status -ne 0 || $findings -ne 0 ]]; then
        failed=1
        line="$line  FAILED (exit $status; see $log and $run/artifacts/)"
        grep -E "ERROR|property broken|runtime error|SUMMARY" "$log" | head -20 >&2 || true
    fi
    echo "$line"
    summary+=("$line")
done

echo "== summary"
printf '%s\n' "${summary[@]}"
exit $failed
