#!/bin/bash
# Sets up, builds and runs every test. Tests run in a network namespace that has only loopback,
# so nothing they start can reach beyond this machine, and in a virtual X display.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"
source "$ROOT/scripts/wine-env.sh"
# A fresh wineserver for the run, started inside the namespace by the first test.
wineserver -k 2>/dev/null || true
unshare --net bash -c '
  set -e
  ip link set lo up
  cd "$BUILD_DIR"
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure --timeout 600 "$@"
  status=$?
  wineserver -k 2>/dev/null || true
  exit $status
' bash "$@"
