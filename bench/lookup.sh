#!/bin/bash
# Builds the lookup page's extraction natively (optimised, no sanitizers) and prints how long it
# takes on pages of 1, 4 and 8 MiB. A figure, not a test: the 8 MiB page should take well under
# half a second.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/hosts.sh"
out="$BUILD_ROOT/bench-host"
mkdir -p "$out"
"${CXX:-g++}" -std=c++17 -O2 -fexec-charset=CP936 -I"$ROOT" -o "$out/bench_lookup" \
  "$ROOT/bench/BenchLookup.cpp" "$ROOT/netdiag/SectionLines.cpp" "$ROOT/base/AnsiString.cpp"
"$out/bench_lookup"
