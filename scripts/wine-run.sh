#!/usr/bin/env bash
# Runs one Windows program under the tests' persistent wineserver and prints what it wrote.
# Usage: wine-run.sh <program.exe> [arguments...]; an argument that is an absolute Unix path, alone
# or after "--name=", is handed over as the Windows path of the same file.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
program="$1"
shift

arguments=()
for argument in "$@"; do
  if [[ "$argument" == /* ]]; then
    argument="$(windows_path "$argument")"
  elif [[ "$argument" =~ ^(--[A-Za-z-]+=)(/.*)$ ]]; then
    argument="${BASH_REMATCH[1]}$(windows_path "${BASH_REMATCH[2]}")"
  fi
  arguments+=("$argument")
done

log="$KESTRELMOOR_WINE_LOGS/$(basename "$program" .exe)-$$.log"
status=0
run_wine_logged "$log" "$program" "${arguments[@]}" || status=$?
rm -f "$log"
exit "$status"
