#!/bin/bash
# Installs, from Debian's packages, whatever the build and the tests need and is missing.
# Safe to run again: it installs nothing that is already there.
set -euo pipefail

PACKAGES=(cmake make python3 g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 wine wine32:i386 wine64
          xvfb xauth fonts-wqy-microhei locales doctest-dev imagemagick x11-utils iproute2 util-linux
          g++ clang libclang-rt-14-dev llvm python3-pefile libssl-dev openssl osslsigncode nginx-light)

fail() { echo "setup: $*" >&2; exit 1; }
trap 'fail "a set-up step failed (line $LINENO: $BASH_COMMAND); see the messages above"' ERR

command -v dpkg >/dev/null && command -v apt-get >/dev/null ||
  fail "this needs a Debian 12 (or compatible) host with dpkg and apt-get"
[ "$(dpkg --print-architecture)" = amd64 ] ||
  fail "this needs an x86-64 (amd64) host; this one is $(dpkg --print-architecture)"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || fail "run this as root, or install sudo: packages must be installed"
  SUDO="sudo"
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  NEED_UPDATE=1
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" ||
    fail "apt-get could not install ${missing[*]}"
elif [ -n "${NEED_UPDATE:-}" ]; then
  $SUDO apt-get update -q
fi

# Wine reports ANSI code page 936 only when the zh_CN locale exists; the tests of a Western
# Windows (code page 1252) need en_US.
for loc in zh_CN en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf8\$"; then
    $SUDO sed -i "s/^# *$loc.UTF-8 UTF-8/$loc.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    need_locale_gen=1
  fi
done
[ -z "${need_locale_gen:-}" ] || $SUDO locale-gen
for loc in zh_CN en_US; do
  locale -a 2>/dev/null | grep -qi "^$loc\.utf8\$" || fail "the $loc.UTF-8 locale could not be generated"
done
# Only 64-bit Wine is needed on every host: the x64 test build always runs.
[ -x /usr/lib/wine/wine64 ] || fail "64-bit Wine (/usr/lib/wine/wine64) is missing after the install"
echo "setup: done"
