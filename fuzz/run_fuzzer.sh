#!/bin/bash
# Runs a fuzz target over its seed corpus, then fuzzes it for a bounded time,
# starting from the seeds. New inputs go to a work folder in the build tree,
# never into the repository's corpus; a failing input is kept there too.
# usage: run_fuzzer.sh FUZZER SEED_CORPUS WORK_FOLDER SECONDS
set -euo pipefail

fuzzer=$1
seeds=$2
work=$3
seconds=$4

rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"

echo "== every seed of $seeds"
"$fuzzer" -runs=0 -artifact_prefix="$work/artifacts/" "$seeds"

echo "== fuzzing for $seconds s"
"$fuzzer" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds"
