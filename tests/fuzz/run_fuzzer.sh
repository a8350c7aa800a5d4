#!/usr/bin/env bash
# Runs one fuzz target for a fixed time, from its committed seed corpus, and says what it did.
# Usage: run_fuzzer.sh <fuzz target> <seed folder> <work folder> <seconds>
# New inputs go to <work folder>/corpus (read again on the next run), a crashing input to
# <work folder>/artifacts; the committed seeds are only read. Fails when the target finds a fault.
set -uo pipefail

fuzzer=$1
seeds=$2
work=$3
seconds=$4

if [ ! -x "$fuzzer" ]; then
  echo "fuzz target not built: $fuzzer" >&2
  exit 1
fi
mkdir -p "$work/corpus" "$work/artifacts"
log="$work/last-run.log"

# -timeout: one input taking this long is a hang. -rss_limit_mb: a runaway allocation is a fault.
"$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds" >"$log" 2>&1
status=$?

name=$(basename "$fuzzer")
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
time=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
echo "$name: ${runs:-?} inputs in ${seconds} s (${time:-?} per second), ${coverage:-cov: ?}, status $status"
if [ $status -ne 0 ]; then
  echo "--- last 60 lines of $log ---"
  tail -n 60 "$log"
  ls -l "$work/artifacts"
fi
exit $status
