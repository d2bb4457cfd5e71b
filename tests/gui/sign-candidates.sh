#!/bin/bash
# Runs a test command (wine-test.sh BUILD_DIR EXE ...) after making, beside EXE, a copy of
# userinit-candidate.exe signed with a throwaway certificate (userinit-signed.exe) and one changed
# in .text after signing (userinit-tampered.exe).
set -euo pipefail
dir="$(dirname "$3")"
keys="$dir/signing"
rm -rf "$keys" && mkdir -p "$keys"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Rekkor test signer" \
  -keyout "$keys/key.pem" -out "$keys/cert.pem" 2>/dev/null
rm -f "$dir/userinit-signed.exe" "$dir/userinit-tampered.exe"
osslsigncode sign -certs "$keys/cert.pem" -key "$keys/key.pem" -h sha256 -n "Rekkor test" \
  -in "$dir/userinit-candidate.exe" -out "$dir/userinit-signed.exe" >/dev/null
python3 - "$dir/userinit-signed.exe" "$dir/userinit-tampered.exe" <<'PY'
import struct, sys
image = bytearray(open(sys.argv[1], "rb").read())
nt = struct.unpack_from("<I", image, 60)[0]
count, optional = struct.unpack_from("<H", image, nt + 6)[0], struct.unpack_from("<H", image, nt + 20)[0]
for i in range(count):
    header = nt + 24 + optional + 40 * i
    if image[header:header + 8].rstrip(b"\0") == b".text":
        image[struct.unpack_from("<I", image, header + 20)[0]] ^= 0xFF
        break
else:
    sys.exit("sign-candidates: no .text section")
open(sys.argv[2], "wb").write(image)
PY
exec "$@"
