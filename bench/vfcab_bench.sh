#!/usr/bin/env bash
# Cabinet extraction and creation: vfcab against the peer tools on one mixed
# corpus of about 60 MB (random "images", scene-like text, structured
# binaries). Prints wall time, peak RSS and output size per run.
#
#   bash bench/vfcab_bench.sh [path/to/vfcab]
#
# Without an argument the release build is made first
# (cmake --preset release && cmake --build --preset release --target vfcab).
# Tools that are not installed are left out. Not run by ctest.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

vfcab=${1:-}
if [[ -z "$vfcab" ]]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target vfcab >/dev/null
  vfcab=build/release/tools/vfcab/vfcab
fi
vfcab=$(realpath "$vfcab")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
corpus="$work/corpus"
mkdir -p "$corpus"

# The corpus: fixed seeds, so runs compare.
python3 - "$corpus" <<'PY'
import os, random, struct, sys
root = sys.argv[1]
rnd = random.Random(1234)
def put(name, data):
    path = os.path.join(root, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
# Incompressible "images": 24 MB.
for i in range(12):
    put(f"maps/tex{i:02d}.jpg", rnd.randbytes(2 * 1024 * 1024))
# Scene-like text: about 24 MB.
keys = ["FramesPerSecond", "CameraPosition", "LightColor", "NumMorphs",
        "DeformationNode", "PresetNode", "Intensity", "BandLow", "BandHigh"]
for i in range(40):
    lines = []
    size = 0
    while size < 600 * 1024:
        line = "%s\t%f %f %f\n" % (rnd.choice(keys), rnd.uniform(-10, 10),
                                   rnd.uniform(0, 1), rnd.uniform(0, 255))
        if rnd.random() < 0.02:
            line = "#" * 79 + "\nPreset\t%d\n" % rnd.randrange(100)
        lines.append(line)
        size += len(line)
    put(f"presets/scene{i:02d}.vrd", "".join(lines).encode())
# Structured binaries (mesh-like records): about 12 MB.
for i in range(6):
    out = bytearray()
    for v in range(2 * 1024 * 1024 // 16):
        out += struct.pack("<fffI", v * 0.01, (v % 97) * 0.5,
                           rnd.random(), v & 0xFFFF)
    put(f"objects/mesh{i}.bin", bytes(out))
PY
total=$(du -sb "$corpus" | cut -f1)
files=$(find "$corpus" -type f | wc -l)
echo "corpus: $files files, $total bytes"

# run LABEL OUTPUT -- COMMAND...: wall seconds and peak RSS (KiB).
run() {
  local label=$1 output=$2
  shift 3
  local log="$work/time.log"
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -v -o "$log" "$@" >/dev/null 2>"$work/stderr" || {
    echo "$label: failed: $(head -c 300 "$work/stderr")"
    return
  }
  end=$(date +%s.%N)
  local rss size=""
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
  [[ -n "$output" && -f "$output" ]] && size=$(stat -c %s "$output")
  printf '%-28s %8.2f s %9s KiB RSS %12s\n' "$label" \
    "$(echo "$end - $start" | bc)" "$rss" "${size:+$size bytes}"
}
have() { command -v "$1" >/dev/null 2>&1; }

echo
echo "creation (MSZIP)"
cd "$corpus"
run "vfcab -c" "$work/vf.cab" -- "$vfcab" -c "$work/vf.cab" maps presets objects
if have gcab; then
  run "gcab -c -z" "$work/gc.cab" -- gcab -c -z "$work/gc.cab" \
    $(find maps presets objects -type f | sort)
fi
run "vfcab -c --store" "$work/vfs.cab" -- "$vfcab" -c --store "$work/vfs.cab" \
  maps presets objects
cd - >/dev/null

echo
echo "extraction of the vfcab cabinet"
x() { rm -rf "$work/x"; mkdir -p "$work/x"; }
x; run "vfcab -x" "" -- "$vfcab" -x "$work/vf.cab" -C "$work/x"
diff -r "$corpus" "$work/x" >/dev/null && echo "  (vfcab output matches)"
if have gcab; then x; run "gcab -x" "" -- gcab -x -C "$work/x" "$work/vf.cab"; fi
if have cabextract; then
  x; run "cabextract" "" -- cabextract -q -d "$work/x" "$work/vf.cab"
fi
if have 7zz; then x; run "7zz x" "" -- 7zz x -y -o"$work/x" "$work/vf.cab"; fi
if have gcab; then
  echo
  echo "extraction of the gcab cabinet"
  x; run "vfcab -x" "" -- "$vfcab" -x "$work/gc.cab" -C "$work/x"
  x; run "gcab -x" "" -- gcab -x -C "$work/x" "$work/gc.cab"
  if have cabextract; then
    x; run "cabextract" "" -- cabextract -q -d "$work/x" "$work/gc.cab"
  fi
fi
echo
echo "test (no output files)"
run "vfcab -t" "" -- "$vfcab" -t "$work/vf.cab"
if have cabextract; then run "cabextract -t" "" -- cabextract -t "$work/vf.cab"; fi
if have 7zz; then run "7zz t" "" -- 7zz t "$work/vf.cab"; fi
