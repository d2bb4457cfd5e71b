#!/bin/bash
# Runs one Windows test program under Wine in the build's private prefix: wine-test.sh BUILD_DIR EXE [ARGS]
set -uo pipefail
export BUILD_DIR="$1"; shift
source "$(dirname "$0")/../scripts/wine-env.sh"
exe="$1"; shift
cd "$(dirname "$exe")"
# The program's output goes through a file: Wine sometimes leaves the headless conhost.exe of a
# console tool that was killed before it attached, and that process would hold ctest's pipe open,
# so that a test that had passed ran into ctest's timeout.
log="$(mktemp)"
wine "$exe" "$@" >"$log" 2>&1
status=$?
cat "$log"
rm -f "$log"
exit $status
