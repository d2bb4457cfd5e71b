#!/bin/bash
# Sets up, builds and starts Rekkor.exe under Wine beside the sample check engine:
#   scripts/run.sh [i686|x64]
# By default the shipped i686 build where this host runs 32-bit programs, else the x64 test build
# with the x64 sample engine. With an X display it opens there; without one it runs under Xvfb,
# saves a screenshot of the main window (build/rekkor-window.png) and its report text
# (build/rekkor-report.txt), then closes the tool.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/hosts.sh"
arch="${1:-}"
case "$arch" in
  "" | i686 | x64) ;;
  *) echo "usage: scripts/run.sh [i686|x64]" >&2; exit 2 ;;
esac
# Set-up may generate the zh_CN locale; a shell started before that cannot switch to it, so the
# rest runs in a fresh one.
if [ -z "${RK_SET_UP:-}" ]; then
  "$ROOT/scripts/setup.sh"
  RK_SET_UP=1 exec bash "$0" "$@"
fi

can_i686=0
rk_can_run_i686 || can_i686=$?
[ "$can_i686" -ne 2 ] || { echo "run: $RK_I686_REASON" >&2; exit 1; }
if [ -z "$arch" ]; then
  arch=i686
  if [ "$can_i686" -ne 0 ]; then
    arch=x64
    echo "run: running the x64 test build, because $RK_I686_REASON"
  fi
elif [ "$arch" = i686 ] && [ "$can_i686" -ne 0 ]; then
  echo "run: cannot run the i686 build: $RK_I686_REASON" >&2
  exit 1
fi
"$ROOT/scripts/build.sh" "$arch"
export BUILD_DIR="$(rk_build_dir "$arch")"
source "$ROOT/scripts/wine-env.sh"
cd "$BUILD_DIR"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
# wineboot returns while the prefix's wineserver, services and desktop live on. Started without a
# display, they would give the tool's windows no display driver, so let them end first.
wineserver -w
if [ -n "${DISPLAY:-}" ]; then
  exec wine Rekkor.exe
fi
shot="$BUILD_ROOT/rekkor-window.png"
report="$BUILD_ROOT/rekkor-report.txt"
rm -f "$shot" "$report"
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
