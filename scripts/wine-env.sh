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
# The graphics driver a prefix is made with. Wine reads it when its desktop process starts, so a
# prefix keeps one for good: "null" (headless whatever the caller's session has) for the tests that
# only need windows to exist, "x11" on the caller's DISPLAY for those that look at them.
export KESTRELMOOR_WINE_GRAPHICS="${KESTRELMOOR_WINE_GRAPHICS:-null}"
case "$KESTRELMOOR_WINE_GRAPHICS" in
  null) unset DISPLAY WAYLAND_DISPLAY ;;
  x11)
    if [ -z "${DISPLAY:-}" ]; then
      echo "wine scripts: the x11 graphics driver needs DISPLAY." >&2
      exit 2
    fi
    unset WAYLAND_DISPLAY
    ;;
  *)
    echo "wine scripts: unknown graphics driver ${KESTRELMOOR_WINE_GRAPHICS}." >&2
    exit 2
    ;;
esac

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
