#!/usr/bin/env bash
# The library's main job on the shipped example, on a fresh Debian machine:
# builds the release tool, makes the example package from its sources, opens
# it and shows it, changes a root parameter and the car's position, saves
# them as a new package, and reopens that to show the changes. Output goes
# to build/demo/.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

packages=(cmake ninja-build g++ zlib1g-dev libdeflate-dev libjpeg62-turbo-dev
          libturbojpeg0-dev libpng-dev perl)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null |
    grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

echo "== building the vorafile tool (release)"
cmake --preset release -B build/tools -DVORAFILE_BUILD_TESTS=OFF >/dev/null
cmake --build build/tools --target vorafile_cli >/dev/null
vorafile=$PWD/build/tools/tools/vorafile/vorafile

demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"
package=$demo/night_drive.cab
brighter=$demo/saved/night_drive_bright.cab
saved=$demo/saved/night_drive_moved.cab

run() {
  echo
  echo "\$ vorafile $*"
  "$vorafile" "$@"
}

echo "== making the example package from examples/night_drive"
examples/make_example.sh "$vorafile" "$package"
run info "$package"
run tree "$package"
run get "$package" root Brightness
run get "$package" camera:0 FOV
run get "$package" object:0 OPos
run set "$package" root Brightness 0.9 -o "$brighter"
run set "$brighter" object:0 OPos "0 0 2.5" -o "$saved"
run get "$saved" root Brightness
run get "$saved" object:0 OPos
run check "$saved"
echo
echo "saved package: $saved"
