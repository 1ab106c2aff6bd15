#!/usr/bin/env bash
# A full disk and a read-only target folder, made real in a private mount
# namespace (a small tmpfs, a read-only bind mount), through the vorafile
# tool:
#   tests/package/disk_faults.sh VORAFILE_TOOL
# Each save or open must fail with exit 1 and a message, leave the old
# package byte for byte, and leave no partial cabinet, no temporary cabinet
# and no working folder. Exits 77 (ctest: skipped) when no mount namespace
# can be made, as in containers that forbid user namespaces.
set -euo pipefail
tool=$(realpath "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [[ ${VORAFILE_IN_MOUNT_NAMESPACE:-} != 1 ]]; then
  # unshare -r maps the caller to root inside, which mount needs; it works
  # for root and, where user namespaces are allowed, for anyone.
  if ! why=$(unshare -rm true 2>&1); then
    echo "disk_faults: skipped: no private mount namespace: $why"
    exit 77
  fi
  exec env VORAFILE_IN_MOUNT_NAMESPACE=1 unshare -rm bash "$0" "$@"
fi

work=$(mktemp -d)
trap 'umount "$work/full" "$work/ro" 2>/dev/null || true; rm -rf "$work"' EXIT
# The tool's working folders and the cabinet writer's spool go here, where
# leftovers are seen.
mkdir "$work/tmp"
export TMP=$work/tmp TMPDIR=$work/tmp

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

package=$work/night_drive.cab
"$here/../../examples/make_example.sh" "$tool" "$package"

# expect_clean_failure FOLDER ENTRIES -- ARGS...: the tool fails with exit
# 1 and a message, and FOLDER then holds exactly ENTRIES (sorted, one line
# each) and the usual temporary folder nothing.
expect_clean_failure() {
  local folder=$1 entries=$2
  shift 3
  local got=0
  "$tool" "$@" >"$work/stdout" 2>"$work/stderr" || got=$?
  [[ $got == 1 ]] || fail "vorafile $*: exit $got, wanted 1"
  [[ -s $work/stderr ]] || fail "vorafile $*: failed without a message"
  [[ $(ls -A "$folder" | sort) == "$entries" ]] ||
    fail "vorafile $*: $folder holds: $(ls -A "$folder")"
  [[ -z $(ls -A "$work/tmp") ]] ||
    fail "vorafile $*: left in the temporary folder: $(ls -A "$work/tmp")"
}

# A full disk under the target: the save fails, the old package stays.
mkdir "$work/full"
mount -t tmpfs -o size=64k tmpfs "$work/full"
cp "$package" "$work/full/saved.cab"
dd if=/dev/zero of="$work/full/filler" bs=1k 2>/dev/null || true
expect_clean_failure "$work/full" $'filler\nsaved.cab' -- \
  set "$package" root Brightness 0.3 -o "$work/full/saved.cab"
cmp -s "$package" "$work/full/saved.cab" || fail "the old package changed"
expect_clean_failure "$work/full" $'filler\nsaved.cab' -- \
  set "$package" root Brightness 0.3 -o "$work/full/new.cab"

# A full temporary folder: the open cannot extract, and its working folder
# goes.
TMP=$work/full TMPDIR=$work/full expect_clean_failure "$work/full" \
  $'filler\nsaved.cab' -- get "$package" root Brightness

# A read-only target folder: the save fails, the old package stays.
mkdir "$work/ro"
cp "$package" "$work/ro/saved.cab"
mount --bind "$work/ro" "$work/ro"
mount -o remount,bind,ro "$work/ro"
expect_clean_failure "$work/ro" saved.cab -- \
  set "$package" root Brightness 0.3 -o "$work/ro/saved.cab"
cmp -s "$package" "$work/ro/saved.cab" || fail "the old package changed"
expect_clean_failure "$work/ro" saved.cab -- \
  set "$package" root Brightness 0.3 -o "$work/ro/new.cab"
echo "disk_faults: full target, full temporary folder, read-only target: clean"
