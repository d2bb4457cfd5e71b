#!/bin/bash
# Builds and prints speed and memory figures: the probes' work inside one process, and the time
# from starting Rekkor.exe to its main window showing the report (sample engine); then, natively,
# the lookup page's extraction (bench/lookup.sh).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/hosts.sh"
# The shipped i686 build where the host runs 32-bit programs, else the x64 test build.
arch=i686
rk_can_run_i686 || { arch=x64; echo "bench: x64 build, because $RK_I686_REASON"; }
"$ROOT/scripts/build.sh" "$arch" >/dev/null
export BUILD_DIR="$(rk_build_dir "$arch")"
echo "bench: $arch build"
source "$ROOT/scripts/wine-env.sh"
cd "$BUILD_DIR"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wine bench/bench_probes.exe
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  for i in 1 2 3; do
    start=$(date +%s%N)
    wine tests/gui/rkdriver.exe snapshot Rekkor.exe /dev/null >/dev/null
    end=$(date +%s%N)
    wine tests/gui/rkdriver.exe close
    echo "start to main window (run $i): $(( (end - start) / 1000000 )) ms (includes starting wine)"
  done
  wineserver -k
'
"$ROOT/bench/lookup.sh"
