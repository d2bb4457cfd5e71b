#!/bin/bash
# Runs one fuzz target for a number of seconds and prints what it did: executions, edges covered,
# and the line coverage of the core's file it exercises (from replaying the corpus through the
# target's coverage build).
#   run_target.sh FUZZ_BUILD_DIR TARGET SECONDS [fresh]
#   run_target.sh FUZZ_BUILD_DIR TARGET replay
# "fresh" starts from the seeds and the regression cases alone and keeps nothing (the smoke run);
# otherwise the corpus grows in FUZZ_BUILD_DIR/corpus/TARGET from run to run. The seeds are made
# from Wine's PE files on first use. Exits non-zero on any crash, leak or sanitizer report; the
# input is then under FUZZ_BUILD_DIR/artifacts/TARGET: keep it in tests/fuzz/regressions/TARGET.
# "replay" fuzzes nothing: it runs the seeds, the corpus of earlier runs and the regression cases
# through the target's sanitized replaying build (FUZZ_BUILD_DIR/../replay_TARGET), as the host
# tests do.
set -uo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
fuzz_dir="$1"; target="$2"; seconds="$3"; fresh="${4:-}"
python=/usr/bin/python3; [ -x "$python" ] || python=python3

declare -A covered=(
  [image_headers]=probes/ImageHeaders.cpp
  [lookup_extraction]=netdiag/SectionLines.cpp
  [bounded_text]=probes/BoundedText.cpp
  [version_text]=base/VersionText.cpp
  [md5]=probes/Md5.cpp)
# The functions of that file the target is about (the rest of SectionLines.cpp is other sections).
declare -A functions=(
  [lookup_extraction]="ExtractLookupLines AppendWithout")
declare -A options=(
  [image_headers]="-dict=$HERE/image_headers.dict"
  [lookup_extraction]="-dict=$HERE/lookup_extraction.dict -max_len=16384")

seeds="$fuzz_dir/seeds/$target"
if [ ! -d "$seeds" ]; then
  rm -rf "$seeds.tmp"
  "$python" "$HERE/make_seeds.py" "$target" "$seeds.tmp" >/dev/null || { echo "fuzz: $target: cannot make the seeds"; exit 1; }
  mv "$seeds.tmp" "$seeds" 2>/dev/null || rm -rf "$seeds.tmp"
fi
regressions="$ROOT/tests/fuzz/regressions/$target"
if [ "$seconds" = replay ]; then
  inputs=("$seeds")
  [ -d "$fuzz_dir/corpus/$target" ] && inputs+=("$fuzz_dir/corpus/$target")
  [ -d "$regressions" ] && inputs+=("$regressions")
  exec "$fuzz_dir/../replay_$target" "${inputs[@]}"
fi

fuzzer="$fuzz_dir/fuzz_$target"
[ -x "$fuzzer" ] || { echo "fuzz: $target: $fuzzer is not built (scripts/fuzz.sh builds it)"; exit 1; }
if [ "$fresh" = fresh ]; then
  corpus="$(mktemp -d)"
  trap 'rm -rf "$corpus"' EXIT
else
  corpus="$fuzz_dir/corpus/$target"
  mkdir -p "$corpus"
fi
inputs=("$corpus" "$seeds")
[ -d "$regressions" ] && inputs+=("$regressions")
artifacts="$fuzz_dir/artifacts/$target"
mkdir -p "$artifacts" "$fuzz_dir/logs" "$fuzz_dir/coverage"
log="$fuzz_dir/logs/$target${fresh:+-$fresh}.log"

# shellcheck disable=SC2086
"$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/" ${options[$target]:-} \
  "${inputs[@]}" >"$log" 2>&1
status=$?
executions="$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | grep -oE '[0-9]+$' | tail -n 1)"
edges="$(grep -oE ' cov: [0-9]+' "$log" | grep -oE '[0-9]+' | tail -n 1)"
counters="$(grep -oE '\([0-9]+ inline 8-bit counters\)' "$log" | grep -oE '[0-9]+' | head -n 1)"
corpus_size="$(find "$corpus" -type f | wc -l)"
if [ $status -ne 0 ]; then
  echo "fuzz: $target: FAILED after ${executions:-?} executions (exit $status): a crash, leak or sanitizer report"
  grep -E 'ERROR:|SUMMARY:|runtime error|Test unit written' "$log" | head -n 8 | sed 's/^/  /'
  echo "  log: $log; keep the input in tests/fuzz/regressions/$target"
  exit 1
fi

# Line coverage of the core's file: replay what the run kept (and the seeds) through the
# coverage build.
line_cover="not measured (llvm-profdata and llvm-cov missing)"
if command -v llvm-profdata >/dev/null && command -v llvm-cov >/dev/null && [ -x "$fuzz_dir/cover_$target" ]; then
  raw="$fuzz_dir/coverage/$target.profraw"
  data="$fuzz_dir/coverage/$target.profdata"
  rm -f "$raw"
  LLVM_PROFILE_FILE="$raw" "$fuzz_dir/cover_$target" "${inputs[@]}" >/dev/null 2>&1
  llvm-profdata merge -sparse "$raw" -o "$data" 2>/dev/null
  file="$fuzz_dir/cp936/${covered[$target]}"
  report="$(llvm-cov report "$fuzz_dir/cover_$target" -instr-profile="$data" "$file" 2>/dev/null)"
  total="$(awk '$1 == "TOTAL" { print $(NF-3) }' <<<"$report")"
  line_cover="lines of ${covered[$target]}: $total"
  if [ -n "${functions[$target]:-}" ]; then
    per="$(llvm-cov report -show-functions "$fuzz_dir/cover_$target" -instr-profile="$data" "$file" 2>/dev/null)"
    parts=()
    for f in ${functions[$target]}; do
      p="$(awk -v f="$f" 'index($1, f) && $0 !~ /^File/ { print $(NF-3); exit }' <<<"$per")"
      parts+=("$f $p")
    done
    line_cover="$line_cover ($(IFS=,; echo "${parts[*]}" | sed 's/,/, /g'))"
  fi
fi
echo "fuzz: $target: $executions executions in ${seconds} s, no crash; edges ${edges:-?} of ${counters:-?}; corpus $corpus_size; $line_cover"
