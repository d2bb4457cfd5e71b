#!/bin/bash
# Creates the build's Wine prefix ahead of the tests (the first start takes several seconds).
set -euo pipefail
export BUILD_DIR="$1"
source "$(dirname "$0")/../scripts/wine-env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
fi
wineserver -w
# Wine links the user's desktop to the host's home folder; tests put shortcuts there, so give
# the prefix a desktop of its own instead of sharing one with every other prefix on the host.
for desktop in "$WINEPREFIX"/drive_c/users/*/Desktop; do
  if [ -L "$desktop" ]; then
    rm "$desktop"
    mkdir "$desktop"
  fi
done
test -f "$WINEPREFIX/system.reg"
