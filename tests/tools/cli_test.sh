#!/usr/bin/env bash
# The vorafile tool as scene authors use it, on the shipped example:
#   tests/tools/cli_test.sh VORAFILE_TOOL
# Fails at the first step whose output or exit status is not as expected.
set -euo pipefail
tool=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# expect STATUS STDOUT -- ARGS...: runs the tool and checks its exit status
# and its standard output: STDOUT is an extended regex that some line must
# match, "" for anything, or "-" for no output at all.
expect() {
  local status=$1 pattern=$2
  shift 3
  local got=0
  "$tool" "$@" >"$work/stdout" 2>"$work/err" || got=$?
  [[ $got == "$status" ]] ||
    fail "vorafile $*: exit $got, wanted $status; stderr: $(cat "$work/err")"
  if [[ $pattern == - ]]; then
    [[ ! -s $work/stdout ]] || fail "vorafile $*: wrote to standard output"
  elif [[ -n $pattern ]]; then
    grep -Eq -- "$pattern" "$work/stdout" ||
      fail "vorafile $*: output does not match '$pattern':
$(head -c 2000 "$work/stdout")"
  fi
}

package=$work/night_drive.cab
"$here/../../examples/make_example.sh" "$tool" "$package"

# The delivered package: nothing is missing, although the saved script is
# only written by a save.
expect 0 '^script version: 3' -- info "$package"
expect 0 '^0 problems$' -- check "$package"
expect 0 '^0\.65$' -- get "$package" root Brightness
expect 0 'vora\.vrc' -- files "$package"
expect 0 '"Brightness"' -- tree --json "$package"
# Every section of the example reads into its node.
for node in AudioAnalysisNode0 FilterBandNode2 ThreeDTextNode0 MessageNode1 \
  LightingNode0 CameraNode0 MarqueeNode ripple.vrd PresetNode1 night.lfx \
  HyperPresetNode0 night.tfx TfxPresetNode0 MacroNode0 "VRM Node 0"; do
  expect 0 "\"$node\"" -- tree "$package"
done
expect 0 '^50$' -- get "$package" camera:0 FOV
expect 0 '^City lights$' -- get "$package" /15:0/11:1 Message
expect 0 '^0 12 -4 1$' -- get "$package" lighting:0 Position
expect 0 'rain\.lfp$' -- get "$package" 16:0 "Lfp Preset File1"
expect 0 '^Sway the titles$' -- get "$package" macro:0 MacroFriendlyName
expect 0 '^Sway$' -- get "$package" macroentry:0 MacroName
expect 0 '^2$' -- get "$package" macroentry:0 NumMacroCommands

# Removing a list entry renumbers the entries behind it.
expect 0 '' -- remove "$package" 24:0 Text0 -o "$work/out/one_text.cab"
expect 0 '^Press space' -- get "$work/out/one_text.cab" 24:0 Text0
expect 0 '' -- remove "$package" 16:0 "Lfp Preset File0" -o "$work/out/one_lens.cab"
expect 0 'rain\.lfp$' -- get "$work/out/one_lens.cab" 16:0 "Lfp Preset File0"
expect 0 '^0 problems$' -- check "$work/out/one_lens.cab"
if command -v python3 >/dev/null; then
  "$tool" tree --json "$package" | python3 -c 'import json, sys; json.load(sys.stdin)' ||
    fail "tree --json is not JSON"
fi

# Change, save as a new package, reopen.
saved=$work/out/bright.cab
expect 0 '' -- set "$package" root Brightness 0.9 -o "$saved"
expect 0 '^0\.9$' -- get "$saved" root Brightness
expect 0 '^0 problems$' -- check "$saved"
expect 0 '^0\.65$' -- get "$package" root Brightness
expect 0 '' -- set "$saved" camera:0 FOV 60 -o "$work/out/wide.cab"
expect 0 '^60$' -- get "$work/out/wide.cab" camera:0 FOV
expect 0 '^Night drive$' -- get "$work/out/wide.cab" /15:0/11:0 Message
expect 0 '^Sway the titles$' -- get "$saved" macro:0 MacroFriendlyName

# A pod hung under the introduction page travels with the saved package.
# Only an object's section links a configuration when a scene is read, so
# the reopened package holds the pod's files but no node for them.
mkdir -p "$work/pod"
printf 'Version 1\nObjectType POD\nTexture border.jpg\nWindowSizeX 320\n' >"$work/pod/Config.pod"
printf 'picture' >"$work/pod/border.jpg"
expect 0 'added podNode .*Config0\.pod' -- add-pod "$package" 7:0 "$work/pod" podNode -o "$work/out/pod.cab"
expect 0 '' -- extract "$work/out/pod.cab" "$work/pod_unpacked"
[[ -f $work/pod_unpacked/Config0.pod && -f $work/pod_unpacked/border.jpg ]] ||
  fail "add-pod: the saved package lacks the pod's files"
expect 0 '^0 problems$' -- check "$work/out/pod.cab"
mkdir -p "$work/badpod"
printf 'Version 1\nObjectType POD\nTexture missing.jpg\n' >"$work/badpod/Config.pod"
expect 1 - -- add-pod "$package" 7:0 "$work/badpod" podNode -o "$work/out/bad.cab"
expect 2 - -- add-pod "$package" 7:0 "$work/pod" podNode

# Extract and pack again: the package still opens whole.
expect 0 '' -- extract "$saved" "$work/unpacked"
[[ -f $work/unpacked/vora.vrc ]] || fail "extract left no vora.vrc"
[[ -f $work/unpacked/sway.vrm ]] || fail "the saved package lacks the macro file"
expect 0 '' -- pack "$work/unpacked" "$work/repacked.cab"
expect 0 '^0 problems$' -- check "$work/repacked.cab"
expect 0 '^0\.9$' -- get "$work/unpacked" root Brightness

# A scene whose reading stops at a keyword without a reader opens; check
# counts where it stopped as a problem (a warning) and a save keeps the
# rest of the script.
expect 0 '' -- extract "$package" "$work/partial"
mv "$work/partial/vora.rudov" "$work/partial/vora.vrc"
sed -i 's/vora\.rudov/vora.vrc/' "$work/partial/FileList.ini"
printf 'NoReaderYet 1\nBrightness 0.1\n' >>"$work/partial/vora.vrc"
expect 1 '^1 problem$' -- check "$work/partial"
expect 1 'vora\.vrc:[0-9]+: warning: NoReaderYet: reading stopped' -- check "$work/partial"
expect 0 '' -- set "$work/partial" root Brightness 0.3
grep -q '^NoReaderYet 1$' "$work/partial/vora.vrc" ||
  fail "a save dropped the unread lines"
expect 0 '^0\.3$' -- get "$work/partial" root Brightness

# check reports every problem of a package, each with its file and line: a
# scene line that the reader refuses stops the scene, not the check of the
# file list. The same for the unpacked folder.
expect 0 '' -- extract "$package" "$work/broken"
sed -i 's/^\(CFX\t[^\t]*\t\)[0-9]*/\1101/' "$work/broken/vora.rudov"
cfx_line=$(grep -n '^CFX' "$work/broken/vora.rudov" | cut -d: -f1)
sed -i 's/^Count=2\r\?$/Count=3/;0,/^2=.*/s//&\n3=..\\escape.x/' "$work/broken/FileList.ini"
escape_line=$(grep -n '^3=' "$work/broken/FileList.ini" | cut -d: -f1)
expect 0 '' -- pack "$work/broken" "$work/broken.cab"
for scene in "$work/broken.cab" "$work/broken"; do
  expect 1 '^2 problems$' -- check "$scene"
  expect 1 ": FileList\.ini:$escape_line: \[3d\] 3 names a file outside the package: \.\.\\\\escape\.x$" -- check "$scene"
  expect 1 ": vora\.rudov:$cfx_line: CFX: preset 101 is outside" -- check "$scene"
done
# A package whose scene stops at an unknown keyword midway, and whose file
# list names an absolute path: both are counted.
expect 0 '' -- extract "$package" "$work/midway"
sed -i 's/^LFX\t/NoReaderYet 1\n&/' "$work/midway/vora.rudov"
keyword_line=$(grep -n '^NoReaderYet' "$work/midway/vora.rudov" | cut -d: -f1)
sed -i 's/^Count=2\r\?$/Count=3/;0,/^2=.*/s//&\n3=C:\\x/' "$work/midway/FileList.ini"
expect 0 '' -- pack "$work/midway" "$work/midway.cab"
expect 1 '^2 problems$' -- check "$work/midway.cab"
expect 1 ": vora\.rudov:$keyword_line: warning: NoReaderYet: reading stopped" -- check "$work/midway.cab"
expect 1 ': FileList\.ini:5: \[3d\] 3 names a file outside the package: C:' -- check "$work/midway.cab"
# A scene file that is missing fails the scene's read at the line naming it.
rm "$work/midway/dusk.cfx"
expect 1 ": vora\.rudov:$cfx_line: CFX: file \"dusk\.cfx\" is missing" -- check "$work/midway"
expect 1 '^1 problem$' -- check "$work/missing.cab"
# An object's texture missing in both picture formats fails the scene's
# read at the object's texture line; the file list is still checked.
expect 0 '' -- extract "$package" "$work/notexture"
rm "$work/notexture/paint.bmp"
texture_line=$(grep -n '^TName.paint' "$work/notexture/vora.rudov" | cut -d: -f1)
sed -i 's/^Count=2\r\?$/Count=3/;0,/^2=.*/s//&\n3=..\\escape.x/' "$work/notexture/FileList.ini"
expect 0 '' -- pack "$work/notexture" "$work/notexture.cab"
expect 1 '^2 problems$' -- check "$work/notexture.cab"
expect 1 ": vora\.rudov:$texture_line: OName: texture \"paint\.jpg\" is missing" -- check "$work/notexture.cab"
expect 1 ': FileList\.ini:5: \[3d\] 3 names a file outside' -- check "$work/notexture.cab"

# Entries of a list by name and index: the marquee's texts and links.
expect 0 '^Night drive: lights' -- get "$package" marquee:0 Text0
expect 0 '^http://example\.invalid/night-drive$' -- get "$package" marquee:0 url0
expect 0 '' -- extract "$package" "$work/marquee"
expect 0 '' -- set "$work/marquee" marquee:0 Text2 "A third text" --type String
expect 0 '^A third text$' -- get "$work/marquee" marquee:0 Text2
grep -q "^NumMarquees.3$" "$work/marquee/Vora.mrq" ||
  fail "the marquee's count does not follow its texts"
expect 1 - -- get "$work/marquee" marquee:0 Text3
expect 1 - -- set "$work/marquee" marquee:0 Text4 gap --type String

# tree shows values as an author reads them: files relative to the scene,
# not to the working folder, and the introduction page's font decoded.
expect 0 '^    Cover +39 String +cover\.bmp$' -- tree "$package"
expect 0 '^    TextFontInfo .* Arial, height -11, weight 500, upright$' -- tree "$package"
expect 0 '"file": "night\.lfx"' -- tree --json "$package"

# diff: the nodes, parameters and files an author changed. A package and
# its unpacked folder are the same scene.
expect 0 '^0 differences$' -- diff "$package" "$package"
[[ $(wc -l <"$work/stdout") == 1 ]] || fail "diff of the same package: $(cat "$work/stdout")"
expect 0 '^0 differences$' -- diff "$saved" "$work/unpacked"
expect 1 '^~ root Brightness: 0\.65 -> 0\.9$' -- diff "$package" "$saved"
expect 1 '^1 difference$' -- diff "$package" "$saved"
expect 0 '' -- extract "$package" "$work/more"
sed -i 's/^NumMsgs=2/NumMsgs=3/;s/^1=City lights.*/&\n2=Home/;s/^1=Georgia.*/&\n2=Arial;0;1;2;3;255;400;0.4;0.5/' \
  "$work/more/text.ini"
printf 'new credits\n' >"$work/more/Misc/credits.txt"
expect 0 '' -- pack "$work/more" "$work/more.cab"
expect 1 '^\+ message "ThreeDTextNode0"/messagedata "MessageNode2"$' -- diff "$package" "$work/more.cab"
expect 1 '^~ file Misc/credits\.txt$' -- diff "$package" "$work/more.cab"
expect 1 '^- message "ThreeDTextNode0"/messagedata "MessageNode2"$' -- diff "$work/more.cab" "$package"
if command -v python3 >/dev/null; then
  expect 1 '' -- diff --json "$package" "$work/more.cab"
  python3 -c '
import json, sys
diff = json.load(sys.stdin)
assert {"kind": "changed", "file": "Misc/credits.txt"} in diff["files"], diff' \
    <"$work/stdout" ||
    fail "diff --json does not list the changed file"
fi
expect 2 - -- diff "$package" "$work/missing.cab"
expect 2 - -- diff "$package"

# Failures: a status, a message on standard error, nothing on standard out.
expect 1 - -- info "$work/missing.cab"
grep -q 'missing.cab' "$work/err" || fail "no message for a missing package"
expect 1 - -- get "$package" root NoSuchParameter
expect 2 - -- no-such-command
expect 2 - -- get "$package"

# Damaged cabinets: the message names the cabinet, the file or the folder
# and block, and the reason. The cabinets are built byte by byte: one
# stored folder, a file table GAP bytes after the folder table.
make_cab() { # OUT GAP NAME... (names as bytes)
  python3 - "$@" <<'PY'
import struct, sys
out, gap, names = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
data = b"0123456789" * len(names)
# A name led by "utf8:" carries the UTF-8 flag (attribs 0x80).
def record(i, n):
    flag = 0x80 if n.startswith("utf8:") else 0
    n = n[5:] if flag else n
    return (struct.pack("<IIHHHH", 10, 10 * i, 0, 0x5021, 0, 0x20 | flag)
            + n.encode("utf-8", "surrogateescape") + b"\0")
table = b"".join(record(i, n) for i, n in enumerate(names))
files_at = 36 + 8 + gap
data_at = files_at + len(table)
size = data_at + 8 + len(data)
head = b"MSCF" + struct.pack("<IIIIIBBHHHHH", 0, size, 0, files_at, 0, 3, 1,
                             1, len(names), 0, 0, 0)
folder = struct.pack("<IHH", data_at, 1, 0)
block = struct.pack("<IHH", 0, len(data), len(data)) + data
open(out, "wb").write(head + folder + b"\0" * gap + table + block)
PY
}
if command -v python3 >/dev/null; then
  make_cab "$work/climbs.cab" 0 'a.txt' '..\x.txt'
  expect 1 - -- extract "$work/climbs.cab" "$work/climbs"
  grep -Fq 'climbs.cab: file "..\x.txt": name leaves the target folder' \
    "$work/err" || fail "climbing name: $(cat "$work/err")"
  make_cab "$work/badsum.cab" 0 'a.txt'
  printf '\x01' | dd of="$work/badsum.cab" bs=1 seek=67 conv=notrunc 2>/dev/null
  expect 1 - -- extract "$work/badsum.cab" "$work/badsum"
  grep -Fq 'badsum.cab: folder 0 block 0: checksum mismatch' "$work/err" ||
    fail "bad checksum: $(cat "$work/err")"
  make_cab "$work/detached.cab" 16 'a.txt'
  expect 1 'detached\.cab: warning: file table at offset 60, not 44 where the folder table ends; other tools may read other files$' -- check "$work/detached.cab"
  expect 0 - -- extract "$work/detached.cab" "$work/detached"
  grep -Fxq "vorafile: $work/detached.cab: warning: file table at offset 60, not 44 where the folder table ends; other tools may read other files" \
    "$work/err" || fail "extract: no warning: $(cat "$work/err")"
  [[ -f $work/detached/a.txt ]] || fail "extract of a detached file table"
  vfcab=$(dirname "$tool")/../vfcab/vfcab
  if [[ -x $vfcab ]]; then
    for command in -l -t; do
      "$vfcab" "$command" "$work/detached.cab" >/dev/null 2>"$work/err" ||
        fail "vfcab $command of a detached file table: $(cat "$work/err")"
      grep -Fxq "vfcab: $work/detached.cab: file table at offset 60, not 44 where the folder table ends; other tools may read other files" \
        "$work/err" || fail "vfcab $command: no warning: $(cat "$work/err")"
    done
    ! "$vfcab" -t "$work/badsum.cab" >/dev/null 2>"$work/err" ||
      fail "vfcab -t passed a bad checksum"
    grep -Fxq "vfcab: $work/badsum.cab: folder 0 block 0: checksum mismatch" \
      "$work/err" || fail "vfcab -t: $(cat "$work/err")"
    # Names as peers show them: a 255-byte name is bound by the file
    # system, not by the Windows API's 260 characters; a name without the
    # UTF-8 flag is code page 1252 (as Wine's extrac32 decodes it; cabextract
    # writes the raw byte), a flagged one UTF-8 (as cabextract, gcab, 7-Zip).
    long=$(printf 'n%.0s' {1..255})
    make_cab "$work/names.cab" 0 "$long" $'caf\xe9.txt' $'utf8:n\xc3\xa9e.txt'
    "$vfcab" -l "$work/names.cab" >"$work/stdout" || fail "vfcab -l of names"
    for name in "$long" 'café.txt' 'née.txt'; do
      grep -Fq "  $name" "$work/stdout" || fail "vfcab -l lacks $name: $(cat "$work/stdout")"
    done
    "$vfcab" -x "$work/names.cab" -C "$work/names" 2>"$work/err" ||
      fail "vfcab -x of names: $(cat "$work/err")"
    for name in "$long" 'café.txt' 'née.txt'; do
      [[ -f $work/names/$name ]] || fail "vfcab -x did not write $name"
    done
    if command -v cabextract >/dev/null; then
      cabextract -q -d "$work/names_peer" "$work/names.cab"
      for name in "$long" 'née.txt'; do
        cmp -s "$work/names/$name" "$work/names_peer/$name" ||
          fail "vfcab -x and cabextract differ on $name"
      done
    fi
  fi
fi
echo "cli test passed"
