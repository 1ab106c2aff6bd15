#!/usr/bin/env bash
# Builds and tests every configuration of the library:
#
#   format      clang-format of the tracked sources (fails on any difference)
#   debug-asan  native debug build with AddressSanitizer and UBSan, ctest
#               (each ctest run also writes build/PRESET/junit.xml)
#   release     native release build, ctest
#   win64       mingw-w64 x86_64 build, ctest under wine64
#   win32       mingw-w64 i686 build of every target (the player's DLL, the
#               codec, the tools, the tests), DLL checks for the cdecl and
#               the stdcall build, ctest under Wine's 32-bit side where its
#               loader runs (one line says why not otherwise, never failed)
#   tidy        clang-tidy (.clang-tidy) over src and tools: the POSIX files
#               with the release build's flags, the Windows ones with the
#               win64 build's flags and mingw-w64's headers
#   fuzz        when the "fuzz" preset exists: each fuzzer for FUZZ_SECONDS
#
# Installs what it needs with apt-get on Debian 12 (as root, or through sudo)
# unless everything is present already.
#
# Environment:
#   STEPS         steps to run, default "format debug-asan release win64 win32
#                 tidy fuzz"
#   FUZZ_SECONDS  run time of each fuzzer (default 20)
#   SKIP_INSTALL  1: do not touch packages
#   TRY_WINE32    0: do not try to install Wine's 32-bit side
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

STEPS=${STEPS:-"format debug-asan release win64 win32 tidy fuzz"}
FUZZ_SECONDS=${FUZZ_SECONDS:-20}
SKIP_INSTALL=${SKIP_INSTALL:-0}
TRY_WINE32=${TRY_WINE32:-1}
JOBS=2

packages=(
  cmake ninja-build g++ clang clang-format clang-tidy libclang-rt-14-dev git
  googletest libgmock-dev libbenchmark-dev zlib1g-dev libdeflate-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 libz-mingw-w64-dev
  wine64 cabextract gcab 7zip imagemagick python3
  libjpeg62-turbo-dev libturbojpeg0-dev libpng-dev
)
wine32_loader=/usr/lib/wine/wine
wine32_status="not tried"
summary=()
step_tests=""

log() { printf '\n==== %s\n' "$*"; }

current_step=""
total_start=$SECONDS

# Runs a named step and records its duration for the summary.
timed() {
  local name=$1
  shift
  local start=$SECONDS
  current_step=$name
  step_tests=""
  log "$name"
  "$@"
  summary+=("$(printf '%-22s %4ds  %s' "$name" $((SECONDS - start)) "$step_tests")")
  current_step=""
}

print_summary() {
  log "summary"
  [ "${#summary[@]}" -eq 0 ] || printf '%s\n' "${summary[@]}"
  printf '%-22s %4ds\n' "total" $((SECONDS - total_start))
  echo "wine32: $wine32_status"
}

on_exit() {
  local status=$?
  [ "$status" -eq 0 ] && return
  print_summary
  echo "FAILED in step: ${current_step:-setup} (exit status $status)"
}
trap on_exit EXIT

wants() { [[ " $STEPS " == *" $1 "* ]]; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    echo "need root to run: $*" >&2
    return 1
  fi
}

apt_get() {
  as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get -o DPkg::Lock::Timeout=300 -q "$@"
}

is_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

install_packages() {
  local missing=()
  local package
  for package in "${packages[@]}"; do
    is_installed "$package" || missing+=("$package")
  done
  if [ "${#missing[@]}" -eq 0 ]; then
    echo "all packages present"
  else
    echo "installing: ${missing[*]}"
    apt_get update
    apt_get install -y --no-install-recommends "${missing[@]}"
  fi
  install_wine32
}

# Wine's 32-bit side runs the i686 tests. Its package index can be out of
# step with the 64-bit one, so it is optional: on any failure the i386
# architecture is removed again, so that later apt-get update calls stay
# clean, and the i686 tests report themselves skipped.
install_wine32() {
  if [ -x "$wine32_loader" ]; then
    wine32_status="installed"
    return
  fi
  if [ "$TRY_WINE32" = 0 ]; then
    wine32_status="not available (not tried: TRY_WINE32=0)"
    return
  fi
  echo "trying to install wine32:i386"
  local added=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    added=1
  fi
  # An update that fails for the i386 index alone may still leave enough to
  # install from, so the install is tried regardless.
  apt_get update || true
  if apt_get install -y --no-install-recommends wine32:i386 &&
    [ -x "$wine32_loader" ]; then
    wine32_status="installed"
    return
  fi
  wine32_status="not available (wine32:i386 did not install)"
  echo "wine32:i386 did not install; the i686 tests will be skipped"
  if [ "$added" = 1 ]; then
    as_root dpkg --remove-architecture i386 || true
    apt_get update || true
  fi
}

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

# Runs ctest and keeps its count line ("100% tests passed, 0 tests failed
# out of N") for the summary.
run_ctest() {
  local log
  log=$(mktemp)
  ctest "$@" | tee "$log"
  step_tests=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" |
    tail -n1 || true)
  rm -f "$log"
}

# Under Wine the GoogleTest suite runs as one ctest test (a Wine start per
# test would cost minutes), so its own XML report gives the real count. The
# path is given as Wine's Z: drive, which maps the Unix root.
run_ctest_under_wine() {
  local report=$1
  shift
  rm -f "$report"
  GTEST_OUTPUT="xml:Z:${report//\//\\}" run_ctest "$@"
  if [ -f "$report" ]; then
    local counts
    counts=$(grep -o -m1 '<testsuites tests="[0-9]*" failures="[0-9]*"' \
      "$report" | sed -E 's/.*tests="([0-9]+)" failures="([0-9]+)"/\1 \2/')
    step_tests+="; under Wine: ${counts% *} GoogleTest tests, ${counts#* } failed"
  fi
}

# Configure, build and test one preset.
build_and_test() {
  local preset=$1
  # Explicit: a build folder configured without tests keeps that setting.
  cmake --preset "$preset" -DVORAFILE_BUILD_TESTS=ON
  cmake --build --preset "$preset" -j "$JOBS"
  case $preset in
  win*)
    run_ctest_under_wine "$root/build/$preset/gtest.xml" --preset "$preset" \
      -j "$JOBS" --output-junit junit.xml
    ;;
  *) run_ctest --preset "$preset" -j "$JOBS" --output-junit junit.xml ;;
  esac
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
    echo "Wine's 32-bit loader $wine32_loader is missing ($wine32_status)"
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
  # Every i686 target (the DLL, the codec, the tools, the test programs) is
  # built with the CI warnings whether or not the tests can run here.
  cmake --preset win32 -DVORAFILE_BUILD_TESTS=ON
  cmake --build --preset win32 -j "$JOBS"
  check_dll "$root/build/win32/src/vorafile.dll"
  # The same DLL with __stdcall: only the library itself is built.
  cmake --preset win32 -B "$root/build/win32-stdcall" -DVORAFILE_STDCALL=ON \
    -DVORAFILE_BUILD_TESTS=OFF -DVORAFILE_BUILD_TOOLS=OFF
  cmake --build "$root/build/win32-stdcall" --target vorafile -j "$JOBS"
  check_dll "$root/build/win32-stdcall/src/vorafile.dll"
  local blocker
  blocker=$(wine32_blocker)
  if [ -z "$blocker" ]; then
    run_ctest_under_wine "$root/build/win32/gtest.xml" --preset win32 \
      -j "$JOBS" --output-junit junit.xml
  else
    echo "i686 tests not run: $blocker"
    step_tests="built and DLLs checked; tests not run: $blocker"
  fi
}

# clang-tidy reads the compile commands of a configured build; configuring
# is enough (no generated headers).
tidy_step() {
  cmake --preset release -DVORAFILE_BUILD_TESTS=ON >/dev/null
  cmake --preset win64 -DVORAFILE_BUILD_TESTS=ON >/dev/null
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
  cmake --preset fuzz
  cmake --build --preset fuzz -j "$JOBS"
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

fuzz_preset_exists() {
  cmake --list-presets=configure 2>/dev/null | grep -q '"fuzz"'
}

if [ "$SKIP_INSTALL" != 1 ]; then
  timed "packages" install_packages
elif [ -x "$wine32_loader" ]; then
  wine32_status="installed"
else
  wine32_status="not available (SKIP_INSTALL=1)"
fi

wants format && timed "format" check_format
wants debug-asan && timed "debug-asan" build_and_test debug-asan
wants release && timed "release" build_and_test release
wants win64 && timed "win64" build_and_test win64
wants win32 && timed "win32" win32_step
wants tidy && timed "tidy" tidy_step
if wants fuzz; then
  if fuzz_preset_exists; then
    timed "fuzz" fuzz_step
  else
    log "fuzz: no \"fuzz\" preset, skipped"
  fi
fi

print_summary
echo "all steps passed"
