#!/usr/bin/env bash
# Checks that a Windows build of the library is self-contained and exports
# its entry under the plain name the player looks up:
#
#   check-dll.sh OBJDUMP DLL
#
# - every imported DLL is a system DLL (no libstdc++, libgcc, libwinpthread
#   or zlib1 beside it);
# - the export table holds exactly one name, "SendVoraFileMsg" (no "_" prefix
#   and no "@20" suffix, also in the __stdcall build).
set -euo pipefail

if [ "$#" -ne 2 ]; then
  echo "usage: $0 OBJDUMP DLL" >&2
  exit 2
fi
objdump=$1
dll=$2

if [ ! -f "$dll" ]; then
  echo "FAIL: $dll not found" >&2
  exit 1
fi
dump=$("$objdump" -p "$dll")

# DLLs that every Windows installation has.
system_dlls='^(kernel32|user32|advapi32|gdi32|msvcrt|shell32|ole32|oleaut32|ws2_32|comdlg32|version|shlwapi|bcrypt|ntdll|api-ms-win-[a-z0-9-]+)\.dll$'

mapfile -t imports < <(printf '%s\n' "$dump" |
  sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr -d '\r')
status=0
for name in "${imports[@]}"; do
  lower=$(printf '%s' "$name" | tr '[:upper:]' '[:lower:]')
  if [[ ! "$lower" =~ $system_dlls ]]; then
    echo "FAIL: $dll imports $name, which is not a system DLL"
    status=1
  fi
done

# The export name table: lines "[ordinal] name" after "[Ordinal/Name Pointer]
# Table".
mapfile -t exports < <(printf '%s\n' "$dump" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | tr -d '\r')
if [ "${#exports[@]}" -ne 1 ] || [ "${exports[0]}" != "SendVoraFileMsg" ]; then
  echo "FAIL: $dll exports [${exports[*]}], expected exactly [SendVoraFileMsg]"
  status=1
fi

if [ "$status" -eq 0 ]; then
  echo "OK: $dll imports only ${imports[*]}; exports SendVoraFileMsg"
fi
exit "$status"
