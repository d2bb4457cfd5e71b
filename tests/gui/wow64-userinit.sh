#!/bin/bash
# The shipped i686 Rekkor.exe under WoW64, in a 64-bit Wine prefix of its own: a 64-bit userinit.exe
# stand-in in system32, a different 32-bit one in syswow64. The report must show the 64-bit one,
# the logon program that really runs. wow64-userinit.sh BUILD_DIR RKDRIVER_EXE REKKOR_EXE
set -euo pipefail
source "$(dirname "$0")/../../scripts/hosts.sh"
rk_can_run_i686 || { echo "wow64: not run: $RK_I686_REASON"; exit 77; }
export BUILD_DIR="$1" RK_ARCH=x64 WINEPREFIX="$1/wineprefix-wow64"
source "$ROOT/scripts/wine-env.sh"
trap 'wineserver -k 2>/dev/null || true' EXIT
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wineserver -w
windows="$WINEPREFIX/drive_c/windows"
cp "$windows/system32/notepad.exe" "$windows/system32/userinit.exe"
cp "$windows/syswow64/notepad.exe" "$windows/syswow64/userinit.exe"
report="$BUILD_DIR/wow64-report.txt"
z() { echo "Z:${1//\//\\}"; }
wine "$2" snapshot "$(z "$3")" "$(z "$report")"
wine "$2" close
md5="$(md5sum <"$windows/system32/userinit.exe" | cut -c1-32 | tr a-f A-F)"
iconv -f GBK -t UTF-8 "$report" | tr -d '\r' | grep -A1 -x "MD5: $md5" |
  grep -qx "文件大小: $(stat -c %s "$windows/system32/userinit.exe")"
