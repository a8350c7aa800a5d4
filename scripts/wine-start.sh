#!/usr/bin/env bash
# Makes the private Wine prefix once, starts a persistent wineserver for it and waits until Wine's
# BITS service answers. Usage: wine-start.sh <bits_fixture.exe>
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
fixture_exe="$1"

# A server left over from an interrupted run would carry its jobs and its own lifetime into this
# one: stop it first. It is missing in the usual case, and then -k fails.
stop_wineserver() {
  "$KESTRELMOOR_WINESERVER" -k >/dev/null 2>&1 || true
  "$KESTRELMOOR_WINESERVER" -w >/dev/null 2>&1 || true
}
stop_wineserver

# The mark holds the graphics driver the prefix is set to. A prefix set to another one is switched
# here, while no server runs: a desktop already running keeps the driver it started with.
ready_mark="$WINEPREFIX/.kestrelmoor-ready"
if [ ! -f "$ready_mark" ]; then
  # Wine makes the prefix with a server of its own, which must be gone before the persistent one
  # starts: a server started first would serve a prefix whose system folders do not exist yet.
  echo "Making the Wine prefix $WINEPREFIX"
  run_wine_logged "$KESTRELMOOR_WINE_LOGS/wineboot.log" wineboot -i
fi
if [ "$(cat "$ready_mark" 2>/dev/null)" != "$KESTRELMOOR_WINE_GRAPHICS" ]; then
  run_wine_logged "$KESTRELMOOR_WINE_LOGS/graphics-driver.log" \
    reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$KESTRELMOOR_WINE_GRAPHICS" /f
  stop_wineserver
  echo "$KESTRELMOOR_WINE_GRAPHICS" >"$ready_mark"
fi

"$KESTRELMOOR_WINESERVER" -p >"$KESTRELMOOR_WINE_LOGS/wineserver.log" 2>&1 </dev/null
run_wine_logged "$KESTRELMOOR_WINE_LOGS/bits-wait.log" "$fixture_exe" wait
