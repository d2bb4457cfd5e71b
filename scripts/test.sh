#!/bin/bash
# Sets up, builds and runs every test: first the pure core natively under the sanitizers (host.*),
# then every Windows architecture this host can run, side by side: i686 (the shipped product) where
# the kernel executes 32-bit programs, x64 always. Each has its own build tree and Wine prefix. Tests run in a network namespace that has only loopback, so nothing they start can
# reach beyond this machine, and in a virtual X display. Arguments go to each ctest (-R NAME).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$ROOT/scripts/hosts.sh"
# Set-up may generate the zh_CN locale; a shell started before that cannot switch to it, so the
# rest runs in a fresh one.
if [ -z "${RK_SET_UP:-}" ]; then
  "$ROOT/scripts/setup.sh"
  RK_SET_UP=1 exec bash "$0" "$@"
fi

unshare --net true 2>/dev/null ||
  { echo "test: cannot make a network namespace (unshare --net); run as root on a host that allows it" >&2; exit 1; }

status=0
# First the pure core natively, under the sanitizers: no Wine, seconds to build and run.
echo "test: host (native, AddressSanitizer and UndefinedBehaviorSanitizer)"
rk_build_host
(
  cd "$BUILD_ROOT/host"
  unshare --net bash -c 'ip link set lo up; ctest --output-on-failure --timeout 600 -j"$(nproc)" "$@"' bash "$@"
) 2>&1 | tee "$BUILD_ROOT/ctest-host.log" || status=1

can_i686=0
rk_can_run_i686 || can_i686=$?
[ $can_i686 -ne 2 ] || { echo "test: $RK_I686_REASON" >&2; exit 1; }
run_i686=1
[ $can_i686 -eq 0 ] || run_i686=0
"$ROOT/scripts/build.sh" i686 x64

# Without 32-bit support the i686 tree still runs the tests that need no Wine (its imports).
plan=()
if [ $run_i686 -eq 1 ]; then plan+=("i686:"); else plan+=("i686:-LE wine"); fi
plan+=("x64:")

# One architecture's suite: its own Wine prefix and wineserver, its own virtual display, and a
# network namespace with only loopback.
run_suite() {
  local arch="$1" filter="$2"
  shift 2
  export BUILD_DIR
  BUILD_DIR="$(rk_build_dir "$arch")"
  source "$ROOT/scripts/wine-env.sh"
  wineserver -k 2>/dev/null || true
  # $filter is word-split on purpose.
  unshare --net bash -c '
    ip link set lo up
    cd "$BUILD_DIR"
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure --timeout 600 "$@"
    status=$?
    wineserver -k 2>/dev/null || true
    exit $status
  ' bash $filter "$@"
}

# The architectures run side by side: each waits mostly on Wine and its windows, not the CPU.
pids=()
for entry in "${plan[@]}"; do
  arch="${entry%%:*}"
  filter="${entry#*:}"
  echo "test: $arch${filter:+ (without Wine)}"
  ( run_suite "$arch" "$filter" "$@" ) >"$BUILD_ROOT/ctest-$arch.log" 2>&1 &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
for entry in "${plan[@]}"; do cat "$BUILD_ROOT/ctest-${entry%%:*}.log"; done

passed=0; failed=0
for arch in host i686 x64; do
  line="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$BUILD_ROOT/ctest-$arch.log" | tail -n 1 || true)"
  [ -n "$line" ] || continue
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f)); failed=$((failed + f))
done
if [ $run_i686 -eq 0 ]; then
  echo "i686: Wine tests not run: $RK_I686_REASON; ran the x64 test build instead"
fi
[ $failed -eq 0 ] || status=1
echo "total: $passed passed, $failed failed"
exit $status
