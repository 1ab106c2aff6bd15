#!/usr/bin/env bash
# Checks that every include in src/ and qvimage/ runs downwards through the
# layers, as the CMake libraries link:
#
#   host -> package -> document -> nodes -> platform
#   host -> imaging -> platform        package -> archive -> platform
#
# The libraries' link order already fails most upward calls; this check
# also catches an include of a header that needs no symbol. Prints each
# upward include and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

declare -A allowed=(
  [platform]="platform"
  [archive]="archive platform"
  [imaging]="imaging platform"
  [nodes]="nodes platform vorafile"
  [document]="document nodes platform vorafile"
  [package]="package document archive nodes platform vorafile"
  [host]="host package document imaging archive nodes platform vorafile"
  # The codec library is a deliverable of its own: it shares only the
  # picture format header and header-only helpers.
  [qvimage]="qvimage imaging/dib_format.h platform/ascii.h platform/little_endian.h"
)

status=0
while IFS= read -r file; do
  case $file in
  qvimage/*) layer=qvimage ;;
  src/*) layer=${file#src/}; layer=${layer%%/*} ;;
  *) continue ;;
  esac
  [ -n "${allowed[$layer]:-}" ] || { echo "$file: no layer '$layer'"; status=1; continue; }
  while IFS= read -r target; do
    ok=0
    for prefix in ${allowed[$layer]}; do
      case $target in
      "$prefix" | "$prefix"/*) ok=1 ;;
      esac
    done
    if [ "$ok" = 0 ]; then
      echo "$file: $layer includes \"$target\""
      status=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files 'src/*.h' 'src/*.cpp' 'qvimage/*.h' 'qvimage/*.cpp' 2>/dev/null ||
  find src qvimage -name '*.h' -o -name '*.cpp')

[ "$status" = 0 ] && echo "layers: every include runs downwards"
exit "$status"
