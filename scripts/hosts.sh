# Sourced by the scripts: where each architecture builds, and which ones this host can run.
ROOT="${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
BUILD_ROOT="${BUILD_ROOT:-$ROOT/build}"

# rk_build_dir ARCH: the build tree of i686 (the shipped product) or x64 (a test build).
rk_build_dir() { echo "$BUILD_ROOT/$1"; }

# rk_can_run_i686: true when this host executes 32-bit x86 programs. Asks the kernel by running a
# tiny 32-bit ELF program that only exits; on failure RK_I686_REASON says why in one line. The probe
# lies in the build folder, not /tmp, which may be mounted noexec; where its folder is noexec after
# all, that is named as the reason rather than taken for a kernel without 32-bit support.
rk_can_run_i686() {
  RK_I686_REASON=""
  mkdir -p "$BUILD_ROOT"
  local probe="$BUILD_ROOT/.i686-probe"
  python3 - "$probe" <<'PY'
import struct, sys
code = bytes([0x31, 0xdb, 0x31, 0xc0, 0x40, 0xcd, 0x80])  # exit(0) through int 0x80
base = 0x08048000
ehdr = struct.pack('<16sHHIIIIIHHHHHH', b'\x7fELF\x01\x01\x01' + b'\0' * 9, 2, 3, 1, base + 84, 52, 0, 0,
                   52, 32, 1, 0, 0, 0)
phdr = struct.pack('<IIIIIIII', 1, 0, base, base, 84 + len(code), 84 + len(code), 5, 0x1000)
open(sys.argv[1], 'wb').write(ehdr + phdr + code)
PY
  chmod +x "$probe"
  local output status
  output="$("$probe" 2>&1)" && status=0 || status=$?
  rm -f "$probe"
  if [ "$status" -eq 126 ] && findmnt -no OPTIONS --target "$BUILD_ROOT" 2>/dev/null | grep -qw noexec; then
    RK_I686_REASON="the build folder $BUILD_ROOT is on a file system mounted noexec, so no program built or probed there can run"
    return 2
  fi
  if [ "$status" -ne 0 ]; then
    RK_I686_REASON="this host's kernel cannot execute 32-bit x86 programs (a 32-bit test program exited with status $status${output:+: ${output##*: }})"
    return 1
  fi
  if [ ! -x /usr/lib/wine/wine ]; then
    RK_I686_REASON="32-bit Wine (/usr/lib/wine/wine, package wine32:i386) is not installed"
    return 1
  fi
}

# rk_build ARCH: configures and builds that architecture's tree.
rk_build() {
  local arch="$1" toolchain
  case "$arch" in
    i686) toolchain="$ROOT/cmake/mingw-i686.cmake" ;;
    x64) toolchain="$ROOT/cmake/mingw-x86_64.cmake" ;;
  esac
  local dir
  dir="$(rk_build_dir "$arch")"
  cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

# rk_build_host: configures and builds the native tree (build/host): the pure core under
# AddressSanitizer and UndefinedBehaviorSanitizer with the host's g++, its host.* tests, and the
# fuzz targets, which it builds with clang into build/host/fuzz.
rk_build_host() {
  local dir="$BUILD_ROOT/host"
  cmake -S "$ROOT/tests/host" -B "$dir" -DCMAKE_CXX_COMPILER=g++ >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}
