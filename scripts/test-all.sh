#!/usr/bin/env bash
# Builds and tests every configuration of the library. Each build step is a
# CMake workflow preset (CMakePresets.json); its test counts come from the
# JUnit report that the test preset writes (build/PRESET/junit.xml).
#
#   format         clang-format of the tracked sources (fails on any difference)
#   debug-asan     native debug build with AddressSanitizer and UBSan, ctest
#   release        native release build, ctest
#   valgrind       the release build's GoogleTest suite under Valgrind's
#                  memcheck (invalid accesses, uninitialised values, leaks)
#   win64          mingw-w64 x86_64 build, ctest under wine64
#   win32          mingw-w64 i686 build of every target (the player's DLL, the
#                  codec, the tools, the tests) and the __stdcall DLL, DLL
#                  checks, ctest under Wine's 32-bit side where its loader
#                  runs (one line says why not otherwise, never failed)
#   package        scripts/package.sh: the .deb, .tar.gz and Windows ZIP from
#                  the release, win32, win32-stdcall and win64 builds above
#                  (made where missing), checked (consumer test, Wine)
#   tidy           clang-tidy (.clang-tidy) over src and tools: the POSIX files
#                  with the release build's flags, the Windows ones with the
#                  win64 build's flags and mingw-w64's headers
#   fuzz           each fuzzer for FUZZ_SECONDS from its seeds
#
# First runs scripts/install-deps.sh (apt-get on Debian 12).
#
# Environment:
#   STEPS         steps to run, default "format debug-asan release valgrind
#                 win64 win32 package tidy fuzz"
#   FUZZ_SECONDS  run time of each fuzzer (default 20)
#   SKIP_INSTALL  1: do not touch packages
#   TRY_WINE32    0: do not try to install Wine's 32-bit side
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

STEPS=${STEPS:-"format debug-asan release valgrind win64 win32 package tidy fuzz"}
FUZZ_SECONDS=${FUZZ_SECONDS:-20}
SKIP_INSTALL=${SKIP_INSTALL:-0}
JOBS=2

wine32_loader=/usr/lib/wine/wine
summary=()
step_tests=""
current_step=""
total_start=$SECONDS

log() { printf '\n==== %s\n' "$*"; }

# Runs a named step and records its duration and test counts for the summary.
timed() {
  local name=$1
  shift
  local start=$SECONDS
  current_step=$name
  step_tests=""
  log "$name"
  "$@"
  summary+=("$(printf '%-14s %4ds  %s' "$name" $((SECONDS - start)) "$step_tests")")
  current_step=""
}

print_summary() {
  log "summary"
  [ "${#summary[@]}" -eq 0 ] || printf '%s\n' "${summary[@]}"
  printf '%-14s %4ds\n' "total" $((SECONDS - total_start))
}

on_exit() {
  local status=$?
  [ "$status" -eq 0 ] && return
  print_summary
  echo "FAILED in step: ${current_step:-setup} (exit status $status)"
}
trap on_exit EXIT

wants() { [[ " $STEPS " == *" $1 "* ]]; }

check_format() {
  local files
  if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
  else
    mapfile -t files < <(find include src tests tools fuzz bench examples \
      -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' \
      -o -name '*.hpp' \) 2>/dev/null)
  fi
  echo "${#files[@]} files"
  [ "${#files[@]}" -eq 0 ] || clang-format --dry-run --Werror "${files[@]}"
}

# "N tests, F failed, S skipped" from a JUnit or GoogleTest XML report.
report_counts() {
  python3 - "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
def get(name):
    return int(root.get(name, 0) or 0)
print(f"{get('tests')} tests, {get('failures') + get('errors')} failed, "
      f"{get('skipped') + get('disabled')} skipped")
PY
}

# Under Wine the GoogleTest suite runs as one ctest entry, so its own report
# (build/PRESET/gtest.xml, see tests/CMakeLists.txt) gives the real count.
read_counts() {
  local folder=$root/build/$1
  [ -f "$folder/junit.xml" ] &&
    step_tests="ctest: $(report_counts "$folder/junit.xml")"
  [ -f "$folder/gtest.xml" ] &&
    step_tests+="; under Wine: $(report_counts "$folder/gtest.xml")"
  return 0
}

# Configure, build and test one preset.
run_workflow() {
  rm -f "$root/build/$1/junit.xml" "$root/build/$1/gtest.xml"
  cmake --workflow --preset "$1"
  read_counts "$1"
}

# The DLL must import only system DLLs (everything else linked statically)
# and export SendVoraFileMsg undecorated.
check_dll() {
  bash "$root/scripts/check-dll.sh" i686-w64-mingw32-objdump "$1"
}

# Why the i686 tests cannot run here, or nothing when they can: Wine's
# 32-bit loader must exist and the kernel must execute it.
wine32_blocker() {
  if [ ! -x "$wine32_loader" ]; then
    echo "Wine's 32-bit loader $wine32_loader is missing (wine32:i386 not installed)"
    return
  fi
  local output
  if ! output=$("$wine32_loader" --version 2>&1); then
    case $output in
    *"Exec format error"*)
      echo "the kernel refuses 32-bit programs ($wine32_loader: Exec format error)"
      ;;
    *) echo "$wine32_loader does not start: ${output//$'\n'/ }" ;;
    esac
  fi
}

win32_step() {
  # Every i686 target is built with the CI warnings whether or not the tests
  # can run here; the __stdcall build makes the DLL alone.
  cmake --workflow --preset win32
  check_dll "$root/build/win32/src/vorafile.dll"
  cmake --workflow --preset win32-stdcall
  check_dll "$root/build/win32-stdcall/src/vorafile.dll"
  local blocker
  blocker=$(wine32_blocker)
  if [ -z "$blocker" ]; then
    rm -f "$root/build/win32/junit.xml" "$root/build/win32/gtest.xml"
    ctest --preset win32
    read_counts win32
  else
    echo "i686 tests not run: $blocker"
    step_tests="built, DLLs checked; tests not run: $blocker"
  fi
}

# The sanitizer build misses what only a run of the optimised code shows
# (uninitialised reads in particular); Valgrind sees the real allocator.
valgrind_step() {
  local suite=$root/build/release/tests/vorafile_tests
  [ -x "$suite" ] || cmake --workflow --preset release
  local report=$root/build/release/valgrind-gtest.xml
  rm -f "$report"
  # The suite's temporary files go to a folder of its own, as under ctest.
  (cd "$root/build/release" &&
    valgrind --quiet --error-exitcode=3 --leak-check=full \
      --errors-for-leak-kinds=definite,indirect \
      --show-leak-kinds=definite,indirect \
      "$suite" --gtest_brief=1 --gtest_output="xml:$report")
  step_tests="memcheck: $(report_counts "$report")"
}

package_step() {
  SKIP_INSTALL=1 bash "$root/scripts/package.sh"
  local archive
  for archive in "$root"/build/packages/*.{deb,tar.gz,zip}; do
    step_tests+="$(basename "$archive") $(($(stat -c %s "$archive") / 1024)) KiB  "
  done
}

# clang-tidy reads the compile commands of a configured build; configuring
# is enough (no generated headers).
tidy_step() {
  cmake --preset release >/dev/null
  cmake --preset win64 >/dev/null
  local posix=() windows=()
  mapfile -t posix < <(git ls-files 'src/*.cpp' 'tools/*.cpp' |
    grep -v '/win32/')
  mapfile -t windows < <(git ls-files 'src/platform/win32/*.cpp')
  # clang does not know mingw-w64's include folders; g++ says them. gcc's
  # own intrinsics headers are left to clang's.
  local mingw_args=(--extra-arg=--target=x86_64-w64-mingw32)
  local folder
  while read -r folder; do
    mingw_args+=("--extra-arg=-isystem$folder")
  done < <(echo | x86_64-w64-mingw32-g++ -xc++ -E -v - 2>&1 |
    sed -n '/search starts here/,/End of search/p' | grep '^ /' |
    sed 's/^ //' | grep -E '/c\+\+|mingw32/include$')
  local log
  log=$(mktemp)
  printf '%s\n' "${posix[@]}" |
    xargs -P "$JOBS" -n 4 clang-tidy -p "$root/build/release" --quiet \
      >"$log" 2>&1 || true
  # gcc flags that clang does not know are reported as clang-diagnostic
  # errors and are not findings.
  printf '%s\n' "${windows[@]}" |
    xargs -P "$JOBS" -n 4 clang-tidy -p "$root/build/win64" --quiet \
      "${mingw_args[@]}" 2>&1 | grep -v "unknown argument" >>"$log" || true
  local findings
  findings=$(grep -E '(warning|error): ' "$log" |
    grep -v "unknown argument" | sort -u || true)
  rm -f "$log"
  if [ -n "$findings" ]; then
    echo "$findings"
    echo "clang-tidy: $(echo "$findings" | wc -l) findings"
    return 1
  fi
  step_tests="$((${#posix[@]} + ${#windows[@]})) files clean"
  echo "clang-tidy: $step_tests"
}

# Each fuzzer runs for FUZZ_SECONDS from its seed corpus (fuzz/corpus/NAME
# when present), writing new inputs to a scratch folder only.
fuzz_step() {
  cmake --workflow --preset fuzz
  local fuzzers=()
  mapfile -t fuzzers < <(find "$root/build/fuzz" -type f -name '*_fuzzer' \
    -perm -u+x | sort)
  if [ "${#fuzzers[@]}" -eq 0 ]; then
    echo "no fuzzers built"
    return
  fi
  local scratch
  scratch=$(mktemp -d)
  local fuzzer name args
  for fuzzer in "${fuzzers[@]}"; do
    name=$(basename "$fuzzer")
    args=(-max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 -print_final_stats=1)
    [ -f "$root/fuzz/$name.dict" ] && args+=(-dict="$root/fuzz/$name.dict")
    [ -f "$root/fuzz/${name%_fuzzer}.dict" ] &&
      args+=(-dict="$root/fuzz/${name%_fuzzer}.dict")
    mkdir -p "$scratch/$name"
    local corpora=("$scratch/$name")
    local seed
    for seed in "$root/fuzz/corpus/$name" "$root/fuzz/corpus/${name%_fuzzer}"; do
      [ -d "$seed" ] && corpora+=("$seed")
    done
    echo "-- $name"
    (cd "$scratch" && "$fuzzer" "${args[@]}" "${corpora[@]}" 2>&1 | tail -n 15)
  done
  step_tests="${#fuzzers[@]} fuzzers, ${FUZZ_SECONDS}s each"
  rm -rf "$scratch"
}

[ "$SKIP_INSTALL" = 1 ] || timed "packages" bash scripts/install-deps.sh

wants format && timed "format" check_format
wants debug-asan && timed "debug-asan" run_workflow debug-asan
wants release && timed "release" run_workflow release
wants valgrind && timed "valgrind" valgrind_step
wants win64 && timed "win64" run_workflow win64
wants win32 && timed "win32" win32_step
wants package && timed "package" package_step
wants tidy && timed "tidy" tidy_step
wants fuzz && timed "fuzz" fuzz_step

print_summary
echo "all steps passed"
