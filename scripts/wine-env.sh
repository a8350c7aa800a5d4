# Shared by the wine-*.sh scripts: checks the settings that the build's test registration passes in
# and offers the helpers they use. Sourced, not run.

for setting in WINEPREFIX KESTRELMOOR_WINE KESTRELMOOR_WINESERVER KESTRELMOOR_WINE_LOGS; do
  if [ -z "${!setting:-}" ]; then
    echo "wine scripts: ${setting} is not set; run these through ctest." >&2
    exit 2
  fi
done
export WINEPREFIX WINEARCH="${WINEARCH:-win64}" WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
mkdir -p "$KESTRELMOOR_WINE_LOGS"
# Headless whatever the caller's session has: the prefix uses Wine's null graphics driver.
unset DISPLAY WAYLAND_DISPLAY

# Runs a Windows program (or a Wine tool) with its output in a file, then prints that file. Wine's
# services and the wineserver outlive the program and inherit its output: on a pipe they would keep
# whoever reads it (ctest) waiting until the server goes, so nothing of Wine ever writes to one.
# Answers the program's exit status.
run_wine_logged() {
  local log="$1"
  shift
  local status=0
  "$KESTRELMOOR_WINE" "$@" >"$log" 2>&1 </dev/null || status=$?
  cat "$log"
  return "$status"
}

# A Unix path as the Windows programs see it: Wine maps the Unix root to drive Z:.
windows_path() {
  local path="$1"
  printf 'Z:%s' "${path//\//\\}"
}
