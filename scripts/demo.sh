#!/usr/bin/env bash
# The main job of the library on a fresh Debian machine: build the release
# library and command-line tool, then run the tool.
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
for tool in cmake ninja g++; do
  command -v "$tool" >/dev/null || need+=("$tool")
done
if [ ! -f /usr/include/zlib.h ]; then need+=(zlib); fi
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq cmake ninja-build g++ \
    zlib1g-dev >/dev/null
fi

cmake --preset release -DVORAFILE_BUILD_TESTS=OFF >/dev/null
cmake --build --preset release --target vorafile_cli vorafile >/dev/null
cli=build/release/tools/vorafile/vorafile
"$cli" version
echo "working folders go under: $("$cli" temp)"
