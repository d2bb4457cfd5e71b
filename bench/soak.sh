#!/bin/bash
# Builds and prints the soak figures: timed-out network diagnoses in one process whose probes
# block (a loopback server that never answers, pings that outlast the bound), then one normal
# diagnosis; the process's handles, threads and private bytes before, after the last abandoned
# probe has ended, and at the end.
#   bench/soak.sh [runs] [bound in ms]      (defaults: 100 runs, 1000 ms)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/build.sh" >/dev/null
source "$ROOT/scripts/wine-env.sh"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
# Every target is on this machine: run in a namespace with loopback only, with a wineserver of
# its own there (the server makes the sockets).
wineserver -k 2>/dev/null || true
unshare --net bash -c '
  ip link set lo up
  # The console tools that the probes start complain on stderr; the figures go to stdout.
  wine "$BUILD_DIR/bench/bench_soak.exe" "$@" 2>/dev/null
  status=$?
  wineserver -k 2>/dev/null || true
  exit $status
' bash "$@"
