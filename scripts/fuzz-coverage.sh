#!/usr/bin/env bash
# Line coverage of each reader by its fuzz target's corpus, for the notes
# that close a fuzzing campaign (not run in CI).
#
#   scripts/fuzz-coverage.sh [TARGET[=CORPUS_FOLDER]]...
#
# Builds the fuzz targets with clang's source-based coverage
# (-fprofile-instr-generate -fcoverage-mapping, on top of the fuzz preset's
# libFuzzer and sanitizers) into build/fuzz-coverage, runs each target once
# over every input of its corpus (libFuzzer -runs=0), and prints a table:
# target, the reader's own source files, lines covered/total, percent.
# Without arguments every target replays its seeds in fuzz/corpus/TARGET;
# TARGET=FOLDER replays another folder instead (a campaign's corpus), and
# naming targets limits the table to them. The per-file numbers of each
# target are kept in build/fuzz-coverage/coverage/TARGET.txt.
#
# Needs clang, llvm-profdata and llvm-cov of the same version (the versioned
# names, e.g. llvm-cov-14, are found too). VORAFILE_COVERAGE_JOBS sets the
# build's parallelism (default 2).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# The files whose lines each target is meant to cover: the reader itself,
# not the helpers it shares with every other target.
declare -A readers=(
  [cabinet_reader]="src/archive/cabinet_read_engine.cpp src/archive/cabinet_header_reader.cpp src/archive/cabinet_block_reader.cpp src/archive/cab_records.cpp src/archive/mszip_codec.cpp"
  [config_files]="src/nodes/content/macro_nodes.cpp src/nodes/content/macro_entry_node.cpp src/nodes/content/object_config_node.cpp src/nodes/content/object_config_reader.cpp"
  [effects_file]="src/nodes/effects/lens_effects_node.cpp src/nodes/effects/transition_effect_node.cpp src/nodes/effects/preset_file_list.cpp"
  [image_decoder]="qvimage/bmp_codec.cpp qvimage/jpeg_codec.cpp qvimage/png_codec.cpp qvimage/picture_codecs.cpp"
  [ini_file]="src/platform/ini_text.cpp"
  [marquee_file]="src/nodes/content/marquee_node.cpp"
  [package_round_trip]="src/package/file_list.cpp src/package/migration_merge.cpp src/package/package.cpp src/package/package_assembly.cpp src/document/scene_script_reader.cpp src/document/scene_script_writer.cpp"
  [preset_file]="src/nodes/effects/def_file_node.cpp src/nodes/effects/preset_block_nodes.cpp src/nodes/effects/preset_keys.cpp src/nodes/effects/section_lines.cpp"
  [registry_file]="src/platform/posix/registry.cpp"
  [scene_script]="src/document/scene_script_reader.cpp src/document/scene_script_sections.cpp src/document/text_deform_lines.cpp src/document/object_rows.cpp src/nodes/content/intro_node.cpp src/nodes/content/message_node.cpp src/nodes/content/object_node_reader.cpp"
)

find_tool() {
  local name=$1 version
  version=$(clang --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p')
  for candidate in "$name-$version" "$name"; do
    if command -v "$candidate" >/dev/null; then
      echo "$candidate"
      return
    fi
  done
  echo "fuzz-coverage: $name not found" >&2
  exit 1
}
profdata=$(find_tool llvm-profdata)
cov=$(find_tool llvm-cov)

declare -A corpus=()
targets=()
for arg in "$@"; do
  name=${arg%%=*}
  if [[ -z ${readers[$name]+set} ]]; then
    echo "fuzz-coverage: unknown target $name" >&2
    exit 2
  fi
  targets+=("$name")
  [[ $arg == *=* ]] && corpus[$name]=${arg#*=}
done
if ((${#targets[@]} == 0)); then
  for source in fuzz/*_fuzzer.cpp; do
    name=$(basename "$source" _fuzzer.cpp)
    [[ -n ${readers[$name]+set} ]] && targets+=("$name")
  done
fi

build=build/fuzz-coverage
flags="-fprofile-instr-generate -fcoverage-mapping"
# No ccache: with a base folder it rewrites source paths to relative ones,
# which the coverage mapping then holds instead of the files named below.
cmake --preset fuzz -B "$build" -DVORAFILE_WERROR=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate >/dev/null
cmake --build "$build" -j "${VORAFILE_COVERAGE_JOBS:-2}" \
  --target "${targets[@]/%/_fuzzer}" >/dev/null

out=$build/coverage
mkdir -p "$out"
printf '%-20s %-7s %15s %8s  %s\n' target inputs lines percent "reader files"
for name in "${targets[@]}"; do
  folder=${corpus[$name]:-fuzz/corpus/$name}
  rm -f "$out/$name".*.profraw
  LLVM_PROFILE_FILE="$out/$name.%p.profraw" "$build/fuzz/${name}_fuzzer" \
    -runs=0 -rss_limit_mb=4096 "$folder" >"$out/$name.log" 2>&1 || {
    echo "fuzz-coverage: $name failed on $folder (see $out/$name.log)" >&2
    exit 1
  }
  "$profdata" merge -sparse "$out/$name".*.profraw -o "$out/$name.profdata"
  # shellcheck disable=SC2086 # the reader list splits into file names
  "$cov" report "$build/fuzz/${name}_fuzzer" -instr-profile="$out/$name.profdata" \
    ${readers[$name]} >"$out/$name.txt"
  # The TOTAL row: lines are the 8th and missed lines the 9th column.
  read -r total missed < <(awk '/^TOTAL/ { print $8, $9 }' "$out/$name.txt")
  covered=$((total - missed))
  inputs=$(find "$folder" -type f | wc -l)
  printf '%-20s %-7s %15s %7s%%  %s\n' "$name" "$inputs" "$covered/$total" \
    "$(awk -v c="$covered" -v t="$total" 'BEGIN { printf "%.1f", t ? 100 * c / t : 0 }')" \
    "${readers[$name]}"
done
