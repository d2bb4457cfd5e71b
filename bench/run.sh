#!/bin/bash
# Builds and prints one table of figures, each beside its peer or its limit, measured in the same
# run: start-up against a bare dialog of the same template, the diagnosis against its slowest
# probe and its bound, memory against the bare dialog, MD5 against the host's md5sum, the shipped
# exe's size, and a short soak. Writes the table to build/bench.md as well.
#   bench/run.sh [runs] [soak runs]      (defaults: 5 runs, median taken; 20 soak runs)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
soak_runs="${2:-20}"
source "$ROOT/scripts/hosts.sh"
# The shipped i686 build where the host runs 32-bit programs, else the x64 test build.
arch=i686
rk_can_run_i686 || { arch=x64; echo "bench: x64 build, because $RK_I686_REASON"; }
"$ROOT/scripts/build.sh" "$arch" >/dev/null
export BUILD_DIR="$(rk_build_dir "$arch")"
echo "bench: $arch build, $runs runs per figure"
source "$ROOT/scripts/wine-env.sh"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
figures="$BUILD_DIR/bench/figures.txt"
: >"$figures"
bench() { wine "$BUILD_DIR/bench/bench_figures.exe" "$@" 2>/dev/null | tr -d '\r' >>"$figures"; }

# Start-up and its memory: the tool with the sample engine beside it, and the bare dialog, both
# started by the same program under the same prefix. Xvfb has no window manager, and Wine waits up
# to 2 s for one to confirm each managed window it hides (the tool hides its wait dialog): the
# table's figure uses a prefix of the bench's own where Wine manages no windows, and the default
# prefix's figure is given beside it.
startup() {
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wine "$1" startup "$2" "$3" "$4" 2>/dev/null | tr -d "\r" | sed "s/^/$6/" >>"$5"
    wineserver -k
  ' bash "$BUILD_DIR/bench/bench_figures.exe" "$BUILD_DIR/tests/gui/e2e/sample/Rekkor.exe" \
    "$BUILD_DIR/bench/bare_dialog.exe" "$runs" "$figures" "$1"
}
startup managed_
bench_prefix="$BUILD_DIR/bench/wineprefix"
if [ ! -f "$bench_prefix/system.reg" ]; then
  wineserver -k 2>/dev/null || true
  cp -a "$WINEPREFIX" "$bench_prefix"
  WINEPREFIX="$bench_prefix" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  WINEPREFIX="$bench_prefix" wineserver -w
fi
WINEPREFIX="$bench_prefix" startup ""
# The tool's own memory after a real diagnosis: its loopback build, in a namespace with only
# loopback and a virtual display of its own, beside the bare dialog.
WINEPREFIX="$bench_prefix" wineserver -k 2>/dev/null || true
WINEPREFIX="$bench_prefix" unshare --net bash -c '
  ip link set lo up
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "
    wine \"\$1\" diagnosed \"\$2\" \"\$3\" \"\$4\" 2>/dev/null | tr -d \"\\r\" >>\"\$5\"
    wineserver -k" bash "$@"
' bash "$BUILD_DIR/bench/bench_figures.exe" "$BUILD_DIR/tests/gui/e2e/loopback/Rekkor.exe" \
  "$BUILD_DIR/bench/bare_dialog.exe" "$runs" "$figures"
bench engine "$runs"
for i in $(seq "$runs"); do bench ole; done

# The diagnosis figures run in a namespace with loopback only, with a wineserver of its own.
wineserver -k 2>/dev/null || true
unshare --net bash -c '
  ip link set lo up
  wine "$1" diagnosis "$2" 2>/dev/null | tr -d "\r" >>"$3"
  wine "$1" bound 3000 "$2" 2>/dev/null | tr -d "\r" >>"$3"
  wineserver -k 2>/dev/null || true
' bash "$BUILD_DIR/bench/bench_figures.exe" "$runs" "$figures"

# MD5 of one 32 MiB file here and by the host's md5sum, alternated.
sample="$BUILD_DIR/bench/md5-sample.bin"
head -c $((32 * 1024 * 1024)) /dev/urandom >"$sample"
host_times=()
for i in $(seq "$runs"); do
  if [ $((i % 2)) -eq 1 ]; then bench md5 "$sample" 1; fi
  start=$(date +%s%N); md5sum "$sample" >/dev/null; end=$(date +%s%N)
  host_times+=($(( (end - start) / 1000 )))
  if [ $((i % 2)) -eq 0 ]; then bench md5 "$sample" 1; fi
done
rm -f "$sample"
printf '%s\n' "${host_times[@]}" | sort -n | awk '{ a[NR] = $1 } END { m = NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf "md5sum_ms %.3f\n", m / 1000 }' >>"$figures"

# The shipped exe: its size and its imports.
shipped="$(rk_build_dir i686)/Rekkor.exe"
[ -f "$shipped" ] || "$ROOT/scripts/build.sh" i686 >/dev/null
echo "shipped_size $(stat -c %s "$shipped")" >>"$figures"
imports="$(i686-w64-mingw32-objdump -p "$shipped" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')"
echo "shipped_imports $imports" >>"$figures"
if "$ROOT/tests/gui/check-imports.sh" i686 "$shipped" >/dev/null; then echo "shipped_imports_ok 1" >>"$figures"
else echo "shipped_imports_ok 0" >>"$figures"; fi

# The soak, shortened.
RK_BENCH_NO_BUILD=1 "$ROOT/bench/soak.sh" "$soak_runs" 1000 | tee "$BUILD_DIR/bench/soak.txt" | sed 's/^/soak: /'

python3 "$ROOT/bench/table.py" "$figures" "$BUILD_DIR/bench/soak.txt" "$arch" "$runs" "$soak_runs" \
  | tee "$BUILD_DIR/../bench.md"

# The lookup page's extraction, natively.
"$ROOT/bench/lookup.sh"
