#!/usr/bin/env bash
# Runs the performance suite of a built tree, the native cases under their own X server and the
# Wine case in a fresh wineserver, then prints the table and checks the budgets.
# Usage: run_bench.sh <build dir>. Figures go to <build dir>/bench-results/{native,wine}.json.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source_dir="$(cd "$here/../.." && pwd)"
build_dir="$(cd "${1:-build-bench}" && pwd)"
results="$build_dir/bench-results"
mkdir -p "$results"
rm -f "$results/native.json" "$results/wine.json"

bench="$build_dir/tests/bench/kestrelmoor_bench"
if [ ! -x "$bench" ]; then
  echo "no benchmark program in $build_dir: is libbenchmark-dev installed?" >&2
  exit 1
fi

echo "== The native suite (in-memory service, list and start-up under Xvfb)"
# Repetitions of all cases in random turns, so that a compiler starting on the other core
# weighs on a case and its floor alike.
xvfb-run -a -s "-screen 0 1024x768x24" "$bench" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_out="$results/native.json" --benchmark_out_format=json

checked=(--native "$results/native.json")
settings="$results/wine-bench.env"
if [ -f "$settings" ]; then
  echo "== EnumerateJobs against Wine's BITS"
  # shellcheck source=/dev/null
  source "$settings"
  if [ -f "$wine_bench_exe" ]; then
    trap 'bash "$source_dir/scripts/wine-stop.sh" >/dev/null' EXIT
    bash "$source_dir/scripts/wine-start.sh" "$wine_bench_fixture_exe" >/dev/null
    # A run takes about a minute; once in a while Wine's RPC stalls for good, and then the figures
    # are reported missing rather than the whole suite waiting for ever.
    if timeout 120 bash "$source_dir/scripts/wine-run.sh" "$wine_bench_exe" create 300 3 &&
       timeout 900 bash "$source_dir/scripts/wine-run.sh" "$wine_bench_exe" run 300 3 7 \
         "$results/wine.json"; then
      checked+=(--wine "$results/wine.json")
    else
      echo "the Wine run failed or stalled (status $?): its budget cannot be checked"
    fi
  else
    echo "the Windows side was not built ($wine_bench_exe is missing)"
  fi
else
  echo "the Windows side or Wine is missing: the Wine budget cannot be checked"
fi

echo "== Figures and budgets"
python3 "$here/check_budgets.py" "${checked[@]}"
