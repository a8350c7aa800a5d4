#!/usr/bin/env bash
# Stops the tests' persistent wineserver, and with it Wine's services and every job they held.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
"$KESTRELMOOR_WINESERVER" -k >/dev/null 2>&1 || true
"$KESTRELMOOR_WINESERVER" -w >/dev/null 2>&1 || true
echo "wineserver for $WINEPREFIX stopped"
