#!/usr/bin/env bash
# Runs every fuzz target in turn for the same time each; `make fuzz` calls it.
# Usage: run_fuzzers.sh <folder of the built fuzz targets> <work folder> <seconds per target>
set -uo pipefail

targets_dir=$1
work=$2
seconds=$3
here=$(cd "$(dirname "$0")" && pwd)

failed=0
for corpus in "$here"/corpus/*/; do
  name=$(basename "$corpus")
  bash "$here/run_fuzzer.sh" "$targets_dir/fuzz_$name" "$corpus" "$work/$name" "$seconds" || failed=1
done
if [ $failed -ne 0 ]; then
  echo "A fuzz target found a fault: its input is in $work/<target>/artifacts." >&2
fi
exit $failed
