#!/bin/bash
# Creates the build's Wine prefix ahead of the tests (the first start takes several seconds).
set -euo pipefail
export BUILD_DIR="$1"
source "$(dirname "$0")/../scripts/wine-env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
fi
wineserver -w
test -f "$WINEPREFIX/system.reg"
