#!/usr/bin/env bash
# Runs a Windows test program under Wine for ctest.
#
#   wine-run.sh PREFIX_DIR WINE_LOADER PROGRAM [ARGS...]
#
# PREFIX_DIR is a private Wine prefix, made on first use and reused by every
# later test of the same build tree (a new prefix takes several seconds).
# When WINE_LOADER is missing (Wine's 32-bit side is optional) or cannot be
# executed here, the test is reported as skipped through exit code 77.
set -euo pipefail

if [ "$#" -lt 3 ]; then
  echo "usage: $0 PREFIX_DIR WINE_LOADER PROGRAM [ARGS...]" >&2
  exit 2
fi
prefix=$(realpath -m "$1")
loader=$2
shift 2

if [ ! -x "$loader" ]; then
  case "$loader" in
  */wine) echo "SKIPPED: wine32 not available ($loader missing)" ;;
  *) echo "SKIPPED: $loader not available" ;;
  esac
  exit 77
fi
# Some kernels refuse 32-bit programs even where Wine's 32-bit side is
# installed ("Exec format error"): that is a skip as well.
if ! version=$("$loader" --version 2>&1); then
  echo "SKIPPED: $loader does not start here: $version"
  exit 77
fi

export WINEPREFIX=$prefix
export WINEDEBUG=-all
# No Mono or Gecko installers during prefix creation; the tests need neither.
export WINEDLLOVERRIDES="mscoree=;mshtml="
unset DISPLAY WAYLAND_DISPLAY

# Tests may start in parallel: only one of them creates the prefix.
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    "$loader" wineboot --init >/dev/null 2>&1 || true
    wineserver_bin=$(dirname "$loader")/wineserver
    [ -x "$wineserver_bin" ] && WINEPREFIX=$prefix "$wineserver_bin" -w || true
  fi
) 9>"$prefix.lock"

# A program that crashes under Wine can still exit with status 0 (Wine
# reports the fault and starts its debugger), so the fault report on stderr
# decides as well.
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
status=0
"$loader" "$@" 2> >(tee "$errors" >&2) || status=$?
wait
if grep -qE "Unhandled (page fault|exception)|starting debugger" "$errors"; then
  echo "FAILED: the program crashed under Wine" >&2
  [ "$status" -ne 0 ] || status=1
fi
exit "$status"
