#!/usr/bin/env bash
# Builds and runs a host project (tests/consumer: one C and one C++ program)
# against an installed vorafile, both ways a host developer links it:
#
#   consumer-test.sh [--install-from BUILD_DIR] PREFIX
#
# 1. CMake: find_package(vorafile) and the imported target vorafile::vorafile;
# 2. pkg-config: cc/c++ with `pkg-config --cflags --libs vorafile`.
# It also checks that the CMake package exports the shared library alone.
# --install-from first runs `cmake --install BUILD_DIR --prefix PREFIX` (into
# an emptied PREFIX). PREFIX may be an unpacked archive or the usr/ folder of
# an extracted .deb: the package files find their tree relative to themselves.
set -euo pipefail

usage() {
  echo "usage: $0 [--install-from BUILD_DIR] PREFIX" >&2
  exit 2
}
build_dir=""
if [ "${1:-}" = --install-from ]; then
  [ "$#" -ge 2 ] || usage
  build_dir=$2
  shift 2
fi
[ "$#" -eq 1 ] || usage
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
consumer_source=$here/../tests/consumer

if [ -n "$build_dir" ]; then
  rm -rf "$1"
  cmake --install "$build_dir" --prefix "$1" >/dev/null
fi
prefix=$(cd "$1" && pwd)

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

config=$(find "$prefix" -name vorafileConfig.cmake -print -quit)
[ -n "$config" ] || fail "no vorafileConfig.cmake under $prefix"
pc_file=$(find "$prefix" -name vorafile.pc -print -quit)
[ -n "$pc_file" ] || fail "no vorafile.pc under $prefix"

# The export set holds the shared library only: no layer library (a static
# vorafile_* target) may reach a consumer's link line.
targets=$(cat "$(dirname "$config")"/vorafileTargets*.cmake)
imported=$(grep -o 'add_library([^ ]*' <<<"$targets" | sed 's/add_library(//' |
  sort -u | tr '\n' ' ')
[ "$imported" = "vorafile::vorafile " ] ||
  fail "the CMake package imports '$imported', want 'vorafile::vorafile'"
if grep -q 'vorafile_[a-z]' <<<"$targets"; then
  fail "the CMake package names a layer library: $(grep -o 'vorafile_[a-z_]*' <<<"$targets" | sort -u | tr '\n' ' ')"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "-- find_package(vorafile) from $prefix"
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$consumer_source" -B "$work/cmake" "${generator[@]}" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log"; fail "the consumer project does not configure"; }
cmake --build "$work/cmake" >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; fail "the consumer project does not build"; }
found=$(sed -n 's/^vorafile_DIR:PATH=//p' "$work/cmake/CMakeCache.txt")
[ "$(cd "$found" && pwd)" = "$(dirname "$config")" ] ||
  fail "find_package found $found, not $(dirname "$config")"
"$work/cmake/consumer_c"
"$work/cmake/consumer_cxx"

echo "-- pkg-config vorafile from $prefix"
# Only this tree's .pc file, never one installed on the system.
export PKG_CONFIG_LIBDIR
PKG_CONFIG_LIBDIR=$(dirname "$pc_file")
unset PKG_CONFIG_PATH
mapfile -t flags < <(pkg-config --cflags --libs vorafile | tr ' ' '\n' | grep .)
libdir=$(pkg-config --variable=libdir vorafile)
[ -e "$libdir/libvorafile.so" ] || fail "pkg-config's libdir $libdir has no libvorafile.so"
mkdir -p "$work/pc"
cc -Wall -Wextra -Wpedantic -Werror "$consumer_source/consumer.c" "${flags[@]}" \
  -o "$work/pc/consumer_c"
c++ -Wall -Wextra -Wpedantic -Werror "$consumer_source/consumer.cpp" "${flags[@]}" \
  -o "$work/pc/consumer_cxx"
LD_LIBRARY_PATH=$libdir "$work/pc/consumer_c"
LD_LIBRARY_PATH=$libdir "$work/pc/consumer_cxx"
echo "consumer test passed"
