#!/bin/bash
# Sets up, builds and starts Rekkor.exe under Wine beside the sample check engine: the shipped
# i686 build where this host runs 32-bit programs, else the x64 test build with the x64 sample
# engine. With an X display it opens there; without one it runs under Xvfb, saves a screenshot
# of the main window (build/rekkor-window.png) and its report text (build/rekkor-report.txt),
# then closes the tool.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/hosts.sh"
"$ROOT/scripts/setup.sh"
arch=i686
if ! rk_can_run_i686; then
  arch=x64
  echo "run: running the x64 test build, because $RK_I686_REASON"
fi
"$ROOT/scripts/build.sh" "$arch"
export BUILD_DIR="$(rk_build_dir "$arch")"
source "$ROOT/scripts/wine-env.sh"
cd "$BUILD_DIR"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
if [ -n "${DISPLAY:-}" ]; then
  exec wine Rekkor.exe
fi
shot="$BUILD_ROOT/rekkor-window.png"
report="$BUILD_ROOT/rekkor-report.txt"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wine tests/gui/rkdriver.exe snapshot Rekkor.exe rekkor-report.txt
  status=$?
  import -window root "$1"
  wine tests/gui/rkdriver.exe close
  wineserver -w
  exit $status
' bash "$shot"
mv rekkor-report.txt "$report"
echo "run: $arch build; report text in $report, screenshot in $shot"
