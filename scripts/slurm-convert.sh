#!/usr/bin/env bash
# Converts one file of a list per Slurm array task with morvane-batch. Results are gathered by the
# file's name: the task's output lands in OUTPUT-FOLDER (on the shared file system) and its events in
# OUTPUT-FOLDER/logs/<file name>.jsonl.
#
#   ls /shared/clips/*.mov > clips.txt
#   sbatch --array=1-$(wc -l < clips.txt)%32 scripts/slurm-convert.sh clips.txt /shared/converted 20-mp4-1-h264-aac
#
# Every node needs morvane-batch installed on its own disk (or MORVANE_BATCH naming it); the list, the
# sources and the output folder must be on a file system all nodes share.
#SBATCH --job-name=morvane-convert
#SBATCH --cpus-per-task=2
#SBATCH --output=morvane-convert-%A_%a.out
set -euo pipefail

if [ "$#" -lt 2 ]; then
    echo "usage: sbatch --array=1-N $0 FILE-LIST OUTPUT-FOLDER [PROFILE]" >&2
    exit 2
fi
list="$1"
output="$2"
profile="${3:-20-mp4-1-h264-aac}"
task="${SLURM_ARRAY_TASK_ID:?run this through sbatch --array}"
batch="${MORVANE_BATCH:-morvane-batch}"

file="$(sed -n "${task}p" "$list")"
if [ -z "$file" ]; then
    echo "task $task: line $task of $list is empty or missing" >&2
    exit 1
fi

# The trace and the frame-server script are per user and per host: give each task its own on the
# node's local disk, so tasks that share a node or a home folder never mix their files.
state="${TMPDIR:-/tmp}/morvane-${USER:-user}-${SLURM_ARRAY_JOB_ID:-0}-${task}"
mkdir -p "$state" "$output/logs"
trap 'rm -rf "$state"' EXIT

name="$(basename "$file")"
XDG_STATE_HOME="$state" "$batch" --json -p "$profile" -o "$output" "$file" > "$output/logs/$name.jsonl"
