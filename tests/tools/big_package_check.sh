#!/usr/bin/env bash
# A package with 100 MB of incompressible content opens and saves: a cabinet
# holds at most 100000000 bytes, so the save spans two cabinets of a set
# ("saved.cab", then "saved2.cab", named by the writer), and reopening the
# first one reads the whole set from the folder it lies in.
#
#   tests/tools/big_package_check.sh [--tool VORAFILE]
#
# Without --tool the release tool is built first. Exits non-zero at the
# first check that fails. Work files (about 500 MB) go under
# ${TMPDIR:-/tmp} and are deleted at the end. ctest runs it in release
# builds as "big_package_check".
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

tool=""
while [[ $# -gt 0 ]]; do
  case $1 in
  --tool) tool=${2:?--tool needs a path}; shift 2 ;;
  -h | --help) sed -n '2,12p' "${BASH_SOURCE[0]}"; exit 0 ;;
  *) echo "big_package_check: unknown argument $1" >&2; exit 2 ;;
  esac
done

command -v python3 >/dev/null || {
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends python3 >/dev/null
}
if [[ -z "$tool" ]]; then
  (cd "$root" &&
    cmake --preset release -B build/tools -DVORAFILE_BUILD_TESTS=OFF >/dev/null &&
    cmake --build build/tools --target vorafile_cli >/dev/null)
  tool=$root/build/tools/tools/vorafile/vorafile
fi
tool=$(realpath "$tool")

work=$(mktemp -d "${TMPDIR:-/tmp}/big-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The tool's working folders go here, where leftovers are seen.
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"

fail() {
  echo "big_package_check: FAILED: $*" >&2
  exit 1
}
pass() { echo "  ok: $*"; }
no_leftovers() {
  [[ -z "$(ls -A "$TMPDIR")" ]] || fail "$1 left working files in $TMPDIR"
}

# cabinet_link CABINET: "PREVIOUS NEXT" names from the cabinet header ("-"
# for none).
cabinet_link() {
  python3 - "$1" <<'PY'
import struct, sys
with open(sys.argv[1], "rb") as f:
    head = f.read(36 + 4 + 2 * 256 * 2)
if head[:4] != b"MSCF":
    sys.exit("not a cabinet")
flags = struct.unpack_from("<H", head, 30)[0]
pos = 36
if flags & 4:  # reserve sizes, then the header reserve
    pos += 4 + struct.unpack_from("<H", head, 36)[0]
def text():
    global pos
    end = head.index(b"\0", pos)
    value = head[pos:end].decode("latin-1")
    pos = end + 1
    return value
prev = nxt = "-"
if flags & 1:
    prev = text(); text()  # name, disk
if flags & 2:
    nxt = text(); text()
print(prev, nxt)
PY
}

echo "making a package with 100 MB of incompressible content"
"$root/examples/make_example.sh" "$tool" "$work/example.cab"
"$tool" extract "$work/example.cab" "$work/scene"
python3 - "$work/scene/Misc/media" <<'PY'
import os, random, sys
os.makedirs(sys.argv[1])
rnd = random.Random(100)
for i in range(10):
    with open(os.path.join(sys.argv[1], "clip%02d.avi" % i), "wb") as f:
        f.write(rnd.randbytes(10 * 1024 * 1024 + 7777 * i))
PY
mkdir -p "$work/in"
"$tool" pack "$work/scene" "$work/in/package.cab"
content=$(du -sb "$work/scene" | cut -f1)
echo "  $content bytes in $(find "$work/scene" -type f | wc -l) files;" \
  "cabinets: $(cd "$work/in" && echo *)"
[[ -f "$work/in/package2.cab" ]] || fail "the package did not span two cabinets"

echo "open and save"
start=$(date +%s.%N)
"$tool" save "$work/in/package.cab" "$work/out/saved.cab" ||
  fail "vorafile save"
end=$(date +%s.%N)
no_leftovers "vorafile save"
pass "saved in $(echo "$start $end" | awk '{ printf "%.2f", $2 - $1 }') s"
saved=$(cd "$work/out" && ls)
[[ "$saved" == $'saved.cab\nsaved2.cab' ]] ||
  fail "expected saved.cab and saved2.cab, found: ${saved//$'\n'/ }"
first=$(stat -c %s "$work/out/saved.cab")
second=$(stat -c %s "$work/out/saved2.cab")
((first <= 100000000)) || fail "saved.cab holds $first bytes"
((second > 0 && first + second > content)) ||
  fail "the set holds $first + $second bytes for $content bytes of content"
pass "saved.cab $first bytes, saved2.cab $second bytes"
[[ "$(cabinet_link "$work/out/saved.cab")" == "- saved2.cab" ]] ||
  fail "saved.cab links to: $(cabinet_link "$work/out/saved.cab")"
[[ "$(cabinet_link "$work/out/saved2.cab")" == "saved.cab -" ]] ||
  fail "saved2.cab links to: $(cabinet_link "$work/out/saved2.cab")"
pass "saved.cab names saved2.cab as its next cabinet, saved2.cab names saved.cab"

echo "reopen the saved set"
"$tool" check "$work/out/saved.cab" >"$work/check.txt" ||
  fail "vorafile check: $(cat "$work/check.txt")"
no_leftovers "vorafile check"
pass "vorafile check saved.cab: $(tail -n1 "$work/check.txt")"
(cd "$work/out" && "$tool" info saved.cab >/dev/null) ||
  fail "vorafile info saved.cab from the set's own folder"
pass "opens by a bare name from the set's folder"
"$tool" extract "$work/out/saved.cab" "$work/reopened" ||
  fail "vorafile extract"
diff -r "$work/scene/Misc" "$work/reopened/Misc" >/dev/null ||
  fail "the reopened set differs from the package's content"
[[ -f "$work/reopened/vora.vrc" ]] || fail "the reopened set holds no vora.vrc"
pass "the whole set reads back, byte for byte"
if command -v cabextract >/dev/null; then
  cabextract -q -t "$work/out/saved.cab" >/dev/null 2>&1 ||
    fail "cabextract -t rejects the set"
  pass "cabextract -t accepts the set"
fi

echo "a set without its second cabinet"
mv "$work/out/saved2.cab" "$work/saved2.away"
if "$tool" info "$work/out/saved.cab" >/dev/null 2>&1; then
  fail "the first cabinet alone opened"
fi
no_leftovers "the failed open"
pass "the first cabinet alone does not open, and leaves nothing behind"

echo "big package check passed"
