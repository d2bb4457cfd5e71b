#!/bin/bash
# check-imports.sh ARCH EXE. The shipped i686 Rekkor.exe must be a 32-bit GUI program that imports
# only system DLLs and no function that Windows XP SP3 lacks; the x64 test build must be a PE32+
# GUI program that imports only system DLLs.
set -uo pipefail
arch="$1"
exe="$2"
case "$arch" in
  i686) objdump=i686-w64-mingw32-objdump; magic=010b; kind="PE32 (32-bit)" ;;
  x64) objdump=x86_64-w64-mingw32-objdump; magic=020b; kind="PE32+ (64-bit)" ;;
  *) echo "unknown architecture: $arch"; exit 1 ;;
esac
dump="$($objdump -p "$exe")" || { echo "cannot read $exe"; exit 1; }
fail=0
grep -q "^Magic.*$magic" <<<"$dump" || { echo "not a $kind image"; fail=1; }
grep -Eq "^Subsystem[[:space:]]+0*2[[:space:]]" <<<"$dump" || { echo "not the Windows GUI subsystem"; fail=1; }

# Only DLLs that Windows XP to 11 take from their known-DLL list, never from the program's folder,
# and COMCTL32, which the manifest takes from the side-by-side store. Everything else the tool
# loads itself, by its full path in the system directory.
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|SHLWAPI|OLE32|OLEAUT32|COMDLG32|COMCTL32|MSVCRT)\.DLL$'
while read -r dll; do
  if ! grep -Eqi "$allowed" <<<"$dll"; then echo "imports a non-system DLL: $dll"; fail=1; fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")

# Functions that toolchains pull in and that only Vista or later have (the x64 build is not
# shipped, so this applies to i686 alone).
vista_only='GetTickCount64|InitializeCriticalSectionEx|InitOnce|SRWLock|ConditionVariable|FlsAlloc|FlsGetValue|FlsSetValue|FlsFree|GetLocaleInfoEx|LCMapStringEx|CompareStringEx|GetUserDefaultLocaleName|LocaleNameToLCID|GetFileInformationByHandleEx|SetFileInformationByHandle|CreateSymbolicLink|GetFinalPathNameByHandle|QueryFullProcessImageName|CancelIoEx|GetErrorMode|CreateEventEx|CreateMutexEx|CreateSemaphoreEx|WaitForSingleObjectEx2|GetCurrentProcessorNumber|RaiseFailFastException|GetSystemTimePreciseAsFileTime|GetThreadId|SetThreadStackGuarantee'
bad=""
[ "$arch" = i686 ] && bad="$(grep -E "^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+(\w+)" <<<"$dump" | grep -E "\b(${vista_only})\w*\b" || true)"
if [ -n "$bad" ]; then echo "imports functions Windows XP lacks:"; echo "$bad"; fail=1; fi

if [ $fail -eq 0 ]; then echo "$arch $kind imports ok: $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr '\n' ' ')"; fi
exit $fail
