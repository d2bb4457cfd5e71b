#!/bin/bash
# Configures and builds each architecture named (default: both) into build/<arch>: build/i686 is
# the shipped product, build/x64 the test build for hosts without 32-bit support.
set -euo pipefail
source "$(cd "$(dirname "$0")" && pwd)/hosts.sh"
archs=("$@")
[ ${#archs[@]} -gt 0 ] || archs=(i686 x64)
for arch in "${archs[@]}"; do
  echo "build: $arch in $(rk_build_dir "$arch")"
  rk_build "$arch"
done
