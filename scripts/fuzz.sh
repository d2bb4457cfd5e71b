#!/bin/bash
# Builds the native tree and runs every fuzz target of the pure core (or those named) for SECONDS
# each, one after the other (default 60): libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer. Prints executions and coverage per target; exits non-zero on any
# crash, leak or sanitizer report, naming each target that failed, whose input is then kept under
# build/host/fuzz/artifacts/TARGET. CI runs it as a step of its own, apart from the tests.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# The corpus of each target grows in build/host/fuzz/corpus/TARGET from run to run; the seeds are
# made from the PE files Wine ships on this machine.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/hosts.sh"
seconds="${1:-60}"
[ $# -gt 0 ] && shift
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: scripts/fuzz.sh [SECONDS] [TARGET...]" >&2; exit 2; }
"$ROOT/scripts/setup.sh" >/dev/null
rk_build_host >/dev/null
fuzz_dir="$BUILD_ROOT/host/fuzz"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  read -r -a targets <<<"$(sed -nE 's/^set\(RK_FUZZ_TARGETS (.*)\)$/\1/p' "$ROOT/tests/fuzz/Targets.cmake")"
fi
failed=()
for target in "${targets[@]}"; do
  "$ROOT/tests/fuzz/run_target.sh" "$fuzz_dir" "$target" "$seconds" || failed+=("$target")
done
for target in "${failed[@]}"; do
  echo "fuzz: FAILED: $target; its input is kept in $fuzz_dir/artifacts/$target"
done
[ ${#failed[@]} -eq 0 ]
