#!/bin/bash
# The shipped build under WoW64 in a 64-bit prefix of its own: the report shows the 64-bit
# userinit.exe in system32, not the 32-bit one in syswow64. ARGS: BUILD_DIR RKDRIVER_EXE REKKOR_EXE
set -euo pipefail
source "$(dirname "$0")/../../scripts/hosts.sh"
rk_can_run_i686 || { echo "wow64: not run: $RK_I686_REASON"; exit 77; }
export BUILD_DIR="$1" RK_ARCH=x64 WINEPREFIX="$1/wineprefix-wow64"
source "$ROOT/scripts/wine-env.sh"
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
win="$WINEPREFIX/drive_c/windows"
for dir in system32 syswow64; do cp "$win/$dir/notepad.exe" "$win/$dir/userinit.exe"; done
# Whatever the snapshot did, nothing of this run stays in the prefix.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine "$2" snapshot "Z:${3//\//\\}" "Z:${1//\//\\}\\wow64-report.txt" && wine "$2" close
md5="$(md5sum <"$win/system32/userinit.exe" | cut -c1-32 | tr a-f A-F)"
iconv -f GBK -t UTF-8 "$1/wow64-report.txt" | tr -d '\r' | grep -A1 -x "MD5: $md5" |
  grep -qx "文件大小: $(stat -c %s "$win/system32/userinit.exe")"
