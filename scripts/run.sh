#!/bin/bash
# Sets up, builds and starts Rekkor.exe under Wine beside the sample check engine. With an X
# display it opens there; without one it runs under Xvfb, saves a screenshot of the main window
# (build/rekkor-window.png) and its report text (build/rekkor-report.txt), then closes the tool.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"
source "$ROOT/scripts/wine-env.sh"
cd "$BUILD_DIR"
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1
if [ -n "${DISPLAY:-}" ]; then
  exec wine Rekkor.exe
fi
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wine tests/gui/rkdriver.exe snapshot Rekkor.exe rekkor-report.txt
  status=$?
  import -window root rekkor-window.png
  wine tests/gui/rkdriver.exe close
  wineserver -w
  exit $status
'
echo "run: report text in $BUILD_DIR/rekkor-report.txt, screenshot in $BUILD_DIR/rekkor-window.png"
