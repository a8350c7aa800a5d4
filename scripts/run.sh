#!/usr/bin/env bash
# Starts the built program, after checking that there is a display to show it on.
#   run.sh --check-display    only the check, before anything is built
#   run.sh [build folder] [arguments for the program]
set -euo pipefail

check_display() {
  if [ -z "${DISPLAY:-}" ]; then
    echo "Kestrelmoor needs a graphical display, and DISPLAY is not set (on a machine without one, try: xvfb-run make run)." >&2
    exit 1
  fi
  if command -v xdpyinfo >/dev/null 2>&1 && ! xdpyinfo >/dev/null 2>&1; then
    echo "Kestrelmoor cannot reach the display DISPLAY=${DISPLAY}: is an X server running there?" >&2
    exit 1
  fi
}

if [ "${1:-}" = "--check-display" ]; then
  check_display
  exit 0
fi
build_dir=${1:-build}
check_display
exec "${build_dir}/app/Kestrelmoor" "${@:2}"
