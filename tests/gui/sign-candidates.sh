#!/bin/bash
# Runs a test command (wine-test.sh BUILD_DIR EXE ...) after making, beside EXE, a copy of
# userinit-candidate.exe signed with a throwaway certificate and one changed in .text after signing.
set -euo pipefail
dir="$(dirname "$3")" && rm -rf "$dir/signing" "$dir"/userinit-{signed,tampered}.exe && mkdir "$dir/signing"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Rekkor test signer" \
  -keyout "$dir/signing/key.pem" -out "$dir/signing/cert.pem" 2>/dev/null
osslsigncode sign -certs "$dir/signing/cert.pem" -key "$dir/signing/key.pem" -h sha256 \
  -in "$dir/userinit-candidate.exe" -out "$dir/userinit-signed.exe" >/dev/null
cp "$dir/userinit-signed.exe" "$dir/userinit-tampered.exe"
at=$((0x$(x86_64-w64-mingw32-objdump -h "$dir/userinit-signed.exe" | awk '$2 == ".text" { print $6 }')))
byte=$(od -An -tu1 -j"$at" -N1 "$dir/userinit-signed.exe")
printf "\\$(printf %03o $((byte ^ 255)))" | dd of="$dir/userinit-tampered.exe" bs=1 seek="$at" conv=notrunc status=none
exec "$@"
