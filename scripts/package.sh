#!/usr/bin/env bash
# Makes the release archives into build/packages/ and checks them:
#
#   vorafile-VERSION-Linux.tar.gz, vorafile_VERSION_ARCH.deb
#       (CPack, from the release build): the shared library, the header, the
#       CMake package and vorafile.pc, the tools, the codec test double;
#   vorafile-VERSION-windows.zip (assembled here from three cross builds):
#       x86/          the player's 32-bit DLL (cdecl) and its import library
#       x86-stdcall/  the same built with __stdcall
#       include/      the header
#       tools/        vorafile.exe and vfcab.exe, 64-bit
#       codec-test-double/  the codec test double (x86/, x64/) and its README
#
# Then the check: the consumer test (scripts/consumer-test.sh) against the
# unpacked .tar.gz and the extracted .deb, the ZIP's DLLs through
# scripts/check-dll.sh, and the ZIP's vorafile.exe `info` on the example
# package under Wine, which must say what the Linux tool says.
#
# Builds that exist (build/PRESET, as scripts/test-all.sh leaves them) are
# brought up to date; missing ones are configured from their preset. Only the
# shipped targets are built.
#
# Environment:
#   SKIP_INSTALL  1: do not run scripts/install-deps.sh
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)
SKIP_INSTALL=${SKIP_INSTALL:-0}
out=$root/build/packages
version=$(sed -n 's/^project(vorafile VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
wine_loader=/usr/lib/wine/wine64

log() { printf '\n== %s\n' "$*"; }
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

[ "$SKIP_INSTALL" = 1 ] || bash scripts/install-deps.sh

# build PRESET TARGET...
build() {
  local preset=$1
  shift
  log "build $preset: $*"
  [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" -j2 --target "$@"
}

# install PRESET DESTINATION COMPONENT...: stripped, one component at a time.
install_components() {
  local preset=$1 destination=$2
  shift 2
  local component
  for component in "$@"; do
    cmake --install "build/$preset" --prefix "$destination" --strip \
      --component "$component" >/dev/null
  done
}

build release vorafile QVImage vorafile_cli vfcab
build win32 vorafile QVImage
build win32-stdcall vorafile
build win64 QVImage vorafile_cli vfcab

rm -rf "$out"
mkdir -p "$out"
scratch=$out/scratch
mkdir -p "$scratch"

log "Linux: .tar.gz and .deb (CPack)"
(cd "$scratch" && cpack --config "$root/build/release/CPackConfig.cmake" \
  -B "$scratch/cpack" >/dev/null)
mv "$scratch"/cpack/*.tar.gz "$scratch"/cpack/*.deb "$out"/

log "Windows: ZIP"
zip_name=vorafile-$version-windows
staged=$scratch/stage
zip_root=$staged/$zip_name
install_components win32 "$staged/win32" library development codec
install_components win32-stdcall "$staged/win32-stdcall" library development
install_components win64 "$staged/win64" tools codec
mkdir -p "$zip_root/x86" "$zip_root/x86-stdcall" "$zip_root/tools"
for variant in x86:win32 x86-stdcall:win32-stdcall; do
  cp "$staged/${variant#*:}/bin/vorafile.dll" \
    "$staged/${variant#*:}/lib/libvorafile.dll.a" "$zip_root/${variant%%:*}/"
done
cp -r "$staged/win32/include" "$staged/win32/codec-test-double" "$zip_root/"
cp -r "$staged/win64/codec-test-double/x64" "$zip_root/codec-test-double/"
cp "$staged/win64/bin/vorafile.exe" "$staged/win64/bin/vfcab.exe" "$zip_root/tools/"
cp README.md "$zip_root/"
(cd "$staged" && cmake -E tar cf "$out/$zip_name.zip" --format=zip "$zip_name")

log "check: the archives"
tarball=$(find "$out" -maxdepth 1 -name "vorafile-$version-*.tar.gz" -print -quit)
deb=$(find "$out" -maxdepth 1 -name "vorafile_${version}_*.deb" -print -quit)
zip=$out/$zip_name.zip
for archive in "$tarball" "$deb" "$zip"; do
  [ -s "$archive" ] || fail "archive missing: ${archive:-(none)}"
done
ls -l "$out"/*.tar.gz "$out"/*.deb "$out"/*.zip
dpkg-deb -f "$deb" Package Version Architecture Depends

log "check: consumer test against the .tar.gz"
mkdir -p "$scratch/tgz"
tar -xzf "$tarball" -C "$scratch/tgz"
tgz_root=$scratch/tgz/$(basename "$tarball" .tar.gz)
bash scripts/consumer-test.sh "$tgz_root"

log "check: consumer test against the .deb"
dpkg-deb -x "$deb" "$scratch/deb"
bash scripts/consumer-test.sh "$scratch/deb/usr"

log "check: the ZIP"
mkdir -p "$scratch/zip"
(cd "$scratch/zip" && cmake -E tar xf "$zip")
unzipped=$scratch/zip/$zip_name
for file in x86/vorafile.dll x86/libvorafile.dll.a x86-stdcall/vorafile.dll \
  x86-stdcall/libvorafile.dll.a include/vorafile/vorafile.h tools/vorafile.exe \
  tools/vfcab.exe codec-test-double/README.txt codec-test-double/x86/QVImage.dll \
  codec-test-double/x64/QVImage.dll README.md; do
  [ -s "$unzipped/$file" ] || fail "the ZIP has no $file"
done
for dll in x86/vorafile.dll x86-stdcall/vorafile.dll; do
  bash scripts/check-dll.sh i686-w64-mingw32-objdump "$unzipped/$dll"
done
! cmp -s "$unzipped/x86/vorafile.dll" "$unzipped/x86-stdcall/vorafile.dll" ||
  fail "x86/ and x86-stdcall/ hold the same DLL"

# The player's side: a 32-bit host against each DLL folder, through its
# import library and the header (the __stdcall one defines VORAFILE_STDCALL),
# run under Wine's 32-bit side where it runs.
for variant in x86: x86-stdcall:-DVORAFILE_STDCALL; do
  folder=${variant%%:*}
  defines=()
  [ -z "${variant#*:}" ] || defines=("${variant#*:}")
  host=$scratch/host-$folder
  mkdir -p "$host"
  cp "$unzipped/$folder/vorafile.dll" "$host/"
  i686-w64-mingw32-gcc "${defines[@]}" -Wall -Wextra -Werror \
    -I"$unzipped/include" tests/consumer/consumer.c -L"$unzipped/$folder" \
    -lvorafile -o "$host/consumer_c.exe"
  # -static for the C++ runtime; it would skip an import library named by -l.
  i686-w64-mingw32-g++ "${defines[@]}" -Wall -Wextra -Werror -static \
    -I"$unzipped/include" tests/consumer/consumer.cpp \
    "$unzipped/$folder/libvorafile.dll.a" -o "$host/consumer_cxx.exe"
  for program in consumer_c consumer_cxx; do
    status=0
    (cd "$host" && bash "$root/cmake/wine-run.sh" "$root/build/win64/wine-prefix" \
      /usr/lib/wine/wine "./$program.exe") || status=$?
    case $status in
    0) ;;
    77) echo "$folder/$program: linked; not run (no 32-bit Wine here)" ;;
    *) fail "$folder/$program.exe failed under Wine" ;;
    esac
  done
done

log "check: the ZIP's vorafile.exe info under Wine"
example=$scratch/night_drive.cab
examples/make_example.sh "$tgz_root/bin/vorafile" "$example" >/dev/null
# The scene script line names the temporary working folder, which differs.
expected=$("$tgz_root/bin/vorafile" info "$example" | grep -v '^scene script:')
# The win64 tests' Wine prefix, when they made one: a new one takes a while.
got=$(bash cmake/wine-run.sh "$root/build/win64/wine-prefix" "$wine_loader" \
  "$unzipped/tools/vorafile.exe" info "$example" | tr -d '\r')
echo "$got"
got=$(grep -v '^scene script:' <<<"$got")
[[ -n "$got" && "$got" = "$expected" ]] ||
  fail "vorafile.exe info differs from the Linux tool's:"$'\n'"$expected"

rm -rf "$scratch"
log "packages in build/packages"
ls -l "$out"
