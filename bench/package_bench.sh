#!/usr/bin/env bash
# Package open and save, end to end, against the peer cabinet tools on one
# package of about 60 MB: the example scene plus a mixed corpus under "Misc"
# (incompressible "images", scene-like text, mesh-like binaries; fixed
# seeds, so runs compare). Prints, per command, the best wall time of a few
# runs, the mean, the peak RSS and the output size:
#
#   open    vorafile info PKG          (extract + read the scene + clean up)
#           vorafile extract PKG DIR   (the extraction alone)
#           gcab -x -C DIR PKG
#           cabextract -d DIR PKG
#           gcab -x, then rm -rf DIR   (what info does: it deletes its folder)
#   save    vorafile save PKG OUT      (open, write the script, pack)
#           vorafile pack DIR OUT      (the packing alone)
#           gcab -c -z OUT files...    (the same files as the saved package)
#
#   bench/package_bench.sh [--runs N] [--tool VORAFILE] [--big]
#
# Without --tool the release tool is built first. --big runs
# tests/tools/big_package_check.sh afterwards. Work files go under
# ${TMPDIR:-/tmp} and are deleted at the end. Not run by ctest.
set -euo pipefail
shopt -s nullglob
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

runs=5
tool=""
big=0
while [[ $# -gt 0 ]]; do
  case $1 in
  --runs) runs=${2:?--runs needs a number}; shift 2 ;;
  --tool) tool=${2:?--tool needs a path}; shift 2 ;;
  --big) big=1; shift ;;
  -h | --help) sed -n '2,22p' "${BASH_SOURCE[0]}"; exit 0 ;;
  *) echo "package_bench: unknown argument $1" >&2; exit 2 ;;
  esac
done

# Tools: the peers and /usr/bin/time are installed when missing.
missing=()
command -v gcab >/dev/null || missing+=(gcab)
command -v cabextract >/dev/null || missing+=(cabextract)
[[ -x /usr/bin/time ]] || missing+=(time)
command -v python3 >/dev/null || missing+=(python3)
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
fi

if [[ -z "$tool" ]]; then
  (cd "$root" &&
    cmake --preset release -B build/tools -DVORAFILE_BUILD_TESTS=OFF >/dev/null &&
    cmake --build build/tools --target vorafile_cli vfcab >/dev/null)
  tool=$root/build/tools/tools/vorafile/vorafile
fi
tool=$(realpath "$tool")

work=$(mktemp -d "${TMPDIR:-/tmp}/package-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The tool's working folders go here too: same file system as the peers'
# output, and whatever it leaves behind is seen (and removed).
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"

# The package: the example scene, its "Misc" folder filled with the corpus.
"$root/examples/make_example.sh" "$tool" "$work/example.cab"
"$tool" extract "$work/example.cab" "$work/scene"
python3 - "$work/scene/Misc" <<'PY'
import os, random, struct, sys
root = sys.argv[1]
rnd = random.Random(20261206)
def put(name, data):
    path = os.path.join(root, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
# Incompressible pictures: 24 MB in 48 files.
for i in range(48):
    put(f"images/photo{i:02d}.jpg", rnd.randbytes(500 * 1024))
# Scene-like text: about 24 MB in 120 files.
keys = ["FramesPerSecond", "CameraPosition", "LightColor", "NumMorphs",
        "DeformationNode", "PresetNode", "Intensity", "BandLow", "BandHigh"]
for i in range(120):
    lines, size = [], 0
    while size < 200 * 1024:
        line = "%s\t%f %f %f\n" % (rnd.choice(keys), rnd.uniform(-10, 10),
                                   rnd.uniform(0, 1), rnd.uniform(0, 255))
        if rnd.random() < 0.02:
            line = "#" * 79 + "\nPreset\t%d\n" % rnd.randrange(100)
        lines.append(line)
        size += len(line)
    put(f"presets/scene{i:03d}.vrd", "".join(lines).encode())
# Mesh-like binaries: 12 MB in 12 files.
for i in range(12):
    out = bytearray()
    for v in range(1024 * 1024 // 16):
        out += struct.pack("<fffI", v * 0.01, (v % 97) * 0.5, rnd.random(),
                           v & 0xFFFF)
    put(f"objects/mesh{i:02d}.bin", bytes(out))
PY
pkg=$work/package.cab
"$tool" pack "$work/scene" "$pkg"
echo "package: $(find "$work/scene" -type f | wc -l) files," \
  "$(du -sb "$work/scene" | cut -f1) bytes; cabinet $(stat -c %s "$pkg") bytes"

# The files of a saved package, for gcab to pack the same content.
"$tool" save "$pkg" "$work/reference/saved.cab"
"$tool" extract "$work/reference/saved.cab" "$work/content"
(cd "$work/content" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) \
  >"$work/list"
mapfile -t content <"$work/list"
diff -r "$work/scene/Misc" "$work/content/Misc" >/dev/null ||
  { echo "package_bench: the saved package lost files of Misc" >&2; exit 1; }

# measure LABEL OUTPUT -- COMMAND...: runs COMMAND $runs times, removing
# OUTPUT (a folder, or a cabinet with the further cabinets of its set)
# before each run, and fails when a run leaves anything in $TMPDIR; prints
# the best and mean wall time, the largest peak RSS and the output's size.
results=$work/results
measure() {
  local label=$1 output=$2
  shift 3
  local i start end rss
  : >"$work/walls"
  : >"$work/rsses"
  for ((i = 0; i < runs; i++)); do
    if [[ -n "$output" ]]; then
      rm -rf "$output" "${output%.cab}"[0-9]*.cab
    fi
    start=$(date +%s.%N)
    if ! /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null 2>"$work/err"; then
      echo "package_bench: $label failed: $(head -c 400 "$work/err")" >&2
      exit 1
    fi
    end=$(date +%s.%N)
    if [[ -n "$(ls -A "$TMPDIR")" ]]; then
      echo "package_bench: $label left files in $TMPDIR" >&2
      exit 1
    fi
    echo "$start $end" | awk '{ printf "%.3f\n", $2 - $1 }' >>"$work/walls"
    tail -n1 "$work/rss" >>"$work/rsses"
  done
  rss=$(sort -n "$work/rsses" | tail -n1)
  local size=""
  if [[ -d "$output" ]]; then
    size=$(du -sb "$output" | cut -f1)
  elif [[ -f "$output" ]]; then
    size=$(cat "$output" "${output%.cab}"[0-9]*.cab | wc -c)
  fi
  awk -v label="$label" -v rss="$rss" -v size="$size" -v out="$results" '
    { sum += $1; if (NR == 1 || $1 < best) best = $1 }
    END {
      printf "%s\t%.3f\t%s\t%s\n", label, best, rss, size >>out
      printf "  %-22s %8.3f s %8.3f s %9s KiB %11s\n", label, best,
             sum / NR, rss, size
    }' "$work/walls"
}

header() {
  echo
  echo "$1 ($runs runs)"
  printf '  %-22s %10s %10s %13s %11s\n' command best mean "peak RSS" "output B"
}

header "open"
measure "vorafile info" "" -- "$tool" info "$pkg"
measure "vorafile extract" "$work/x" -- "$tool" extract "$pkg" "$work/x"
measure "gcab -x" "$work/x" -- gcab -x -C "$work/x" "$pkg"
measure "cabextract" "$work/x" -- cabextract -q -d "$work/x" "$pkg"
# "vorafile info" also deletes its working folder when it ends. The inner
# shell expands its own arguments:
# shellcheck disable=SC2016
measure "gcab -x, then rm -rf" "$work/x" -- \
  sh -c 'gcab -x -C "$1" "$2" && rm -rf "$1"' sh "$work/x" "$pkg"

header "save"
measure "vorafile save" "$work/out/saved.cab" -- \
  "$tool" save "$pkg" "$work/out/saved.cab"
measure "vorafile pack" "$work/packed.cab" -- \
  "$tool" pack "$work/content" "$work/packed.cab"
cd "$work/content"
measure "gcab -c -z" "$work/gcab.cab" -- gcab -c -z "$work/gcab.cab" \
  "${content[@]}"
cd - >/dev/null
cabextract -q -t "$work/out/saved.cab" >/dev/null

echo
awk -F'\t' '
  { best[$1] = $2; size[$1] = $4 }
  END {
    ours = best["vorafile info"]; peer = best["gcab -x"]
    printf "open: vorafile info %.3f s, gcab -x %.3f s: %s (goal: no slower)\n",
           ours, peer, (ours <= peer ? "met" : "NOT met")
    ours = best["vorafile save"]; peer = best["gcab -c -z"]
    ratio = (ours > 0 ? peer / ours : 0)
    printf "save: vorafile save %.3f s, gcab -c -z %.3f s: %.2f times as fast",
           ours, peer, ratio
    printf " (goal 2.5): %s\n", (ratio >= 2.5 ? "met" : "NOT met")
    ours = size["vorafile save"] + 0; peer = size["gcab -c -z"] + 0
    printf "save size: %d B, gcab -c -z %d B: %s (goal: no larger)\n",
           ours, peer, (ours <= peer ? "met" : "NOT met")
  }' "$results"

if ((big)); then
  echo
  TMPDIR=${TMPDIR%/tmp} "$root/tests/tools/big_package_check.sh" --tool "$tool"
fi
