#!/bin/bash
# Runs one Windows test program under Wine in the build's private prefix: wine-test.sh BUILD_DIR EXE [ARGS]
set -uo pipefail
export BUILD_DIR="$1"; shift
source "$(dirname "$0")/../scripts/wine-env.sh"
exe="$1"; shift
cd "$(dirname "$exe")"
exec wine "$exe" "$@"
