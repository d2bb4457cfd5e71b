#!/bin/bash
# Builds and prints the soak figures: timed-out network diagnoses in one process whose probes
# block (a loopback server that never answers, pings that outlast the bound), then one normal
# diagnosis; the process's handles, threads and private bytes before, after the last abandoned
# probe has ended, and at the end. Runs the architecture the host runs, like bench/run.sh.
#   bench/soak.sh [runs] [bound in ms]      (defaults: 100 runs, 1000 ms)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/hosts.sh"
arch=i686
rk_can_run_i686 || { arch=x64; echo "soak: x64 build, because $RK_I686_REASON"; }
[ -n "${RK_BENCH_NO_BUILD:-}" ] || "$ROOT/scripts/build.sh" "$arch" >/dev/null
export BUILD_DIR="$(rk_build_dir "$arch")"
source "$ROOT/scripts/wine-env.sh"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
# Every target is on this machine: run in a namespace with loopback only, with a wineserver of
# its own there (the server makes the sockets), and the answering pages from an nginx there.
wineserver -k 2>/dev/null || true
export ROOT
unshare --net bash -c '
  ip link set lo up
  # The console tools that the probes start complain on stderr; the figures go to stdout.
  "$ROOT/tests/nginx-test.sh" "$BUILD_DIR" bench_soak 18090 "$BUILD_DIR/bench/bench_soak.exe" "$@" 2>/dev/null
  status=$?
  wineserver -k 2>/dev/null || true
  exit $status
' bash "$@"
