#!/bin/bash
# scripts/release.sh [--verify] [--sign KEY.p12 [--timestamp URL]]
# Builds the shipped 32-bit Rekkor.exe from the last commit, in a fresh tree of its own, and writes
# dist/Rekkor-<version>-win32.zip (the exe and a usage note in code page 936) with dist/SHA256SUMS
# for the zip and the exe. The version is the one in res/Rekkor.rc. Every time in the outputs is
# the commit's time, so two builds of one commit are byte-identical wherever and whenever they run.
# --verify builds a second time in another folder, compares the two and checks the release as the
# tests check the shipped product (XP imports, manifest, version); it exits 1 on any difference.
# --sign signs Rekkor.exe with Authenticode (osslsigncode, SHA-256) before it is zipped, with the
# key and certificates of KEY.p12, whose password comes from RK_SIGN_PASSWORD (may be empty, must be
# set). Without --timestamp the signing time is the commit's time, so signed builds stay
# byte-identical; --timestamp has a time-stamp server countersign each signature.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
DIST="$ROOT/dist"
fail() { echo "release: $*" >&2; exit 1; }

usage() { echo "usage: scripts/release.sh [--verify] [--sign KEY.p12 [--timestamp URL]]" >&2; exit 2; }
verify=0 key="" timestamp=""
while [ $# -gt 0 ]; do
  case "$1" in
    --verify) verify=1 ;;
    --sign) [ $# -ge 2 ] || usage; key="$2"; shift ;;
    --timestamp) [ $# -ge 2 ] || usage; timestamp="$2"; shift ;;
    *) usage ;;
  esac
  shift
done
if [ -n "$key" ]; then
  [ -r "$key" ] || fail "cannot read the signing key $key"
  key="$(cd "$(dirname "$key")" && pwd)/$(basename "$key")"
  [ -n "${RK_SIGN_PASSWORD+set}" ] ||
    fail "set RK_SIGN_PASSWORD to the password of $key (empty for a key without one)"
elif [ -n "$timestamp" ]; then
  fail "--timestamp needs --sign"
fi

"$ROOT/scripts/setup.sh"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/rekkor-release.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

# The release is the last commit's tree, whatever the working tree holds besides.
commit=""
if git -C "$ROOT" rev-parse --verify -q HEAD >/dev/null 2>&1; then
  commit="$(git -C "$ROOT" rev-parse HEAD)"
  if [ -n "$(git -C "$ROOT" status --porcelain --untracked-files=no)" ]; then
    echo "release: the working tree has changes that are not committed; the release is built from ${commit:0:12}"
  fi
  export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$ROOT" log -1 --format=%ct HEAD)}"
else
  [ -n "${SOURCE_DATE_EPOCH:-}" ] ||
    fail "no git history here to take the commit's time from; set SOURCE_DATE_EPOCH (seconds since 1970)"
fi
[[ "$SOURCE_DATE_EPOCH" =~ ^[0-9]+$ ]] || fail "SOURCE_DATE_EPOCH is not a number of seconds: $SOURCE_DATE_EPOCH"

# The password reaches osslsigncode and openssl only through a file that no one else may read, never
# on a command line, and that is removed again at once.
PASSFILE="$WORK/sign-password"
with_password() {
  (umask 077 && printf '%s' "$RK_SIGN_PASSWORD" >"$PASSFILE")
  local status=0
  "$@" || status=$?
  rm -f "$PASSFILE"
  return $status
}

# forum_url SRC: the suite's support forum, whose host SRC's config/Deployment.h names.
forum_url() {
  local host
  host="$(sed -n 's/.*kForumHost\[\] = "\([^"]*\)";.*/\1/p' "$1/config/Deployment.h")"
  [ -n "$host" ] || fail "no kForumHost in $1/config/Deployment.h"
  echo "http://$host/"
}

# sign_exe IN OUT SRC: OUT is IN signed with the key, naming the product and the forum.
sign_exe() {
  local forum when=()
  forum="$(forum_url "$3")"
  # An Authenticode time-stamp (-t), not RFC 3161 (-ts): Windows XP reads only the former.
  if [ -n "$timestamp" ]; then when=(-t "$timestamp"); else when=(-time "$SOURCE_DATE_EPOCH"); fi
  with_password osslsigncode sign -pkcs12 "$key" -readpass "$PASSFILE" -h sha256 -n Rekkor \
    -i "$forum" "${when[@]}" -in "$1" -out "$2" >"$WORK/sign.log" 2>&1 ||
    { cat "$WORK/sign.log" >&2; fail "osslsigncode could not sign $1 with $key"; }
}

# release_build DIR OUT: exports the sources into DIR/source, builds Rekkor.exe in DIR/build and
# writes OUT/Rekkor.exe and OUT/<zip>. Sets VERSION, ZIP_NAME and BUILT_SRC (the sources' folder).
release_build() {
  local dir="$1" out="$2" src build
  build="$dir/build"
  if [ -n "$commit" ]; then
    src="$dir/source"
    mkdir -p "$src"
    git -C "$ROOT" archive --format=tar "$commit" | tar -x -C "$src"
  else
    src="$ROOT"
  fi
  mkdir -p "$out"
  VERSION="$(python3 "$src/scripts/release.py" version "$src/res/Rekkor.rc")" || fail "no version in res/Rekkor.rc"
  ZIP_NAME="Rekkor-$VERSION-win32.zip"
  echo "release: building Rekkor.exe $VERSION${commit:+ of ${commit:0:12}} in $build"
  if ! { cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
           -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DRK_SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH" &&
         cmake --build "$build" -j"$(nproc)" --target Rekkor; } >"$dir/build.log" 2>&1; then
    tail -n 40 "$dir/build.log" >&2
    fail "the build in $build failed (the lines above end its log)"
  fi
  if [ -n "$key" ]; then
    sign_exe "$build/Rekkor.exe" "$out/Rekkor.exe" "$src"
  else
    cp "$build/Rekkor.exe" "$out/Rekkor.exe"
  fi
  python3 "$src/scripts/release.py" pack "$out/Rekkor.exe" "$src/res/release-note.zh.txt" "$VERSION" \
    "$SOURCE_DATE_EPOCH" "$out/$ZIP_NAME"
  SOURCES+=("$src" "$build")
  BUILT_SRC="$src"
}

SOURCES=("$ROOT")
release_build "$WORK/first" "$WORK/first/out"
first_out="$WORK/first/out"
first_src="$BUILT_SRC"

# The zip and its sums are made in a staging folder and move into dist/ only once every check has
# passed, so dist/ never holds a release that failed them.
STAGE="$WORK/stage"
mkdir -p "$STAGE"
cp "$first_out/$ZIP_NAME" "$STAGE/$ZIP_NAME"
{
  (cd "$STAGE" && sha256sum "$ZIP_NAME")
  (cd "$first_out" && sha256sum Rekkor.exe)
} >"$STAGE/SHA256SUMS"

problems=0
problem() { echo "release: $*" >&2; problems=$((problems + 1)); }

# The same checks as the shipped product's tests, from the released commit's own scripts.
python3 "$first_src/scripts/release.py" check-zip "$STAGE/$ZIP_NAME" "$first_out/Rekkor.exe" \
  "$first_src/res/release-note.zh.txt" "$VERSION" || problem "the zip does not hold exactly Rekkor.exe and the usage note"
bash "$first_src/tests/gui/check-imports.sh" i686 "$first_out/Rekkor.exe" || problem "the exe fails the XP import check"
python3 "$first_src/scripts/release.py" check-exe "$first_out/Rekkor.exe" "$VERSION" ||
  problem "the exe's manifest or version is not the shipped product's"
(cd "$STAGE" && sha256sum -c --quiet --ignore-missing SHA256SUMS) || problem "SHA256SUMS does not match the zip"
(cd "$first_out" && grep ' Rekkor.exe$' "$STAGE/SHA256SUMS" | sha256sum -c --quiet) ||
  problem "SHA256SUMS does not match the exe"
if [ -n "$key" ]; then
  # Against the chain the key file carries (a self-signed certificate is its own) and the system's
  # roots; the signature must also name the product and the forum.
  # Key files exported by older Windows use ciphers that OpenSSL 3 keeps in its legacy provider.
  { with_password openssl pkcs12 -in "$key" -nokeys -passin "file:$PASSFILE" -out "$WORK/chain.pem" ||
      with_password openssl pkcs12 -legacy -in "$key" -nokeys -passin "file:$PASSFILE" -out "$WORK/chain.pem"; } 2>"$WORK/chain.log" ||
    { cat "$WORK/chain.log" >&2; fail "openssl cannot read the certificates of $key"; }
  [ -r /etc/ssl/certs/ca-certificates.crt ] && cat /etc/ssl/certs/ca-certificates.crt >>"$WORK/chain.pem"
  if osslsigncode verify -in "$first_out/Rekkor.exe" -CAfile "$WORK/chain.pem" >"$WORK/verify.log" 2>&1; then
    grep -q '^[[:space:]]*Text description: Rekkor$' "$WORK/verify.log" ||
      problem "the signature does not name the program Rekkor"
    grep -qF "URL description: $(forum_url "$first_src")" "$WORK/verify.log" ||
      problem "the signature does not name the forum $(forum_url "$first_src")"
    grep -q '^[[:space:]]*Message digest algorithm *: SHA256' "$WORK/verify.log" || problem "the signature's digest is not SHA-256"
  else
    cat "$WORK/verify.log" >&2
    problem "osslsigncode verify rejects the signature of the exe against the certificates of $key"
  fi
fi

if [ $verify -eq 1 ]; then
  # A second tree at another path and depth: no path or time of the first may show in the bytes.
  release_build "$WORK/second/tree" "$WORK/second/out"
  second_out="$WORK/second/out"
  compared=(Rekkor.exe "$ZIP_NAME")
  # Each time-stamp is the server's own, so only the exe as built, before signing, can match.
  first_dir="$first_out" second_dir="$second_out"
  [ -z "$timestamp" ] || { first_dir="$WORK/first/build" second_dir="$WORK/second/tree/build" compared=(Rekkor.exe); }
  for file in "${compared[@]}"; do
    a="$(sha256sum <"$first_dir/$file" | cut -d' ' -f1)"
    b="$(sha256sum <"$second_dir/$file" | cut -d' ' -f1)"
    echo "release: $file first build  $a"
    echo "release: $file second build $b"
    [ "$a" = "$b" ] || problem "the two builds' $file differ"
  done
fi
for path in "${SOURCES[@]}"; do
  if grep -qaF "$path" "$first_out/Rekkor.exe"; then problem "the exe holds the build path $path"; fi
done

if [ $problems -ne 0 ]; then
  echo "release: FAILED: $problems problems (above); dist/ was left as it was" >&2
  exit 1
fi
mkdir -p "$DIST"
rm -f "$DIST"/Rekkor-*-win32.zip "$DIST/SHA256SUMS"
mv "$STAGE/$ZIP_NAME" "$STAGE/SHA256SUMS" "$DIST/"
echo "release: wrote dist/$ZIP_NAME and dist/SHA256SUMS:"
sed 's/^/  /' "$DIST/SHA256SUMS"
[ -z "$key" ] || echo "release: Rekkor.exe is signed with $key${timestamp:+ and time-stamped by $timestamp}; osslsigncode verify accepts it"
if [ $verify -eq 1 ]; then
  echo "release: verified: two builds in two folders are byte-identical${timestamp:+ before signing}; the zip holds exactly Rekkor.exe and README.txt"
else
  echo "release: checked: the zip holds exactly Rekkor.exe and README.txt"
fi
