#!/bin/sh
# Packs and extracts a generated mixed corpus (random "images", scene-like
# text, mesh-like binaries) with the cabinet engine and with the peer tools,
# and prints wall times, sizes and peak resident memory.
#
#   bench/cabinet_bench.sh [MEGABYTES] [RUNS]       default 60 MB, 5 runs
#
# Needs gcab, cabextract, 7zz, hyperfine and /usr/bin/time. Builds the driver
# in build/cabinet-bench (release). Work files go under ${TMPDIR:-/tmp} and
# are deleted at the end. With 500 MB, only the peak memory rows are made.
set -eu

MB=${1:-60}
RUNS=${2:-5}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build/cabinet-bench
WORK=$(mktemp -d "${TMPDIR:-/tmp}/cabinet-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM

cmake --preset release -B "$BUILD" -DVORAFILE_BUILD_BENCHMARKS=ON \
  -DVORAFILE_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j2 --target cabinet_engine_bench >/dev/null
BENCH=$BUILD/bench/cabinet_engine_bench

"$BENCH" corpus "$WORK/corpus" "$MB"
BYTES=$(du -sb "$WORK/corpus" | cut -f1)
( cd "$WORK/corpus" && find . -type f | sed 's|^\./||' | sort >"$WORK/list" )

peak() { # peak RSS in KB of a command
  /usr/bin/time -f '%M' -o "$WORK/rss" "$@" >/dev/null 2>&1
  cat "$WORK/rss"
}

"$BENCH" pack "$WORK/corpus" "$WORK/ours.cab"
cabextract -t "$WORK/ours.cab" >/dev/null
echo "corpus: $MB MB ($BYTES bytes, $(wc -l <"$WORK/list") files)"

if [ "$MB" -ge 200 ]; then
  echo "peak RSS, pack:    $(peak "$BENCH" pack "$WORK/corpus" "$WORK/ours.cab") KB"
  echo "peak RSS, extract: $(peak "$BENCH" extract "$WORK/ours.cab" "$WORK/x") KB"
  echo "cabinet: $(stat -c %s "$WORK/ours.cab") bytes"
  exit 0
fi

cd "$WORK/corpus"
hyperfine -N --warmup 1 --runs "$RUNS" --export-json "$WORK/create.json" \
  -n ours "$BENCH pack $WORK/corpus $WORK/ours.cab" \
  -n ours-1-thread "$BENCH pack $WORK/corpus $WORK/ours1.cab 1" \
  -n gcab "gcab -c -z $WORK/gcab.cab $(tr '\n' ' ' <"$WORK/list")"
hyperfine -N --warmup 1 --runs "$RUNS" --export-json "$WORK/extract.json" \
  --prepare "rm -rf $WORK/x" \
  -n ours "$BENCH extract $WORK/ours.cab $WORK/x" \
  -n gcab "gcab -x -C $WORK/x $WORK/ours.cab" \
  -n cabextract "cabextract -q -d $WORK/x $WORK/ours.cab" \
  -n 7zz "7zz x -y -o$WORK/x $WORK/ours.cab"

rm -rf "$WORK/x"; mkdir "$WORK/x"
RSS_X_OURS=$(peak "$BENCH" extract "$WORK/ours.cab" "$WORK/x")
diff -r "$WORK/x" "$WORK/corpus" >/dev/null
rm -rf "$WORK/x"; mkdir "$WORK/x"
RSS_X_GCAB=$(peak gcab -x -C "$WORK/x" "$WORK/ours.cab")
rm -rf "$WORK/x"
RSS_X_CABEXTRACT=$(peak cabextract -q -d "$WORK/x" "$WORK/ours.cab")
rm -rf "$WORK/x"
RSS_X_7ZZ=$(peak 7zz x -y -o"$WORK/x" "$WORK/ours.cab")
RSS_C_OURS=$(peak "$BENCH" pack "$WORK/corpus" "$WORK/ours.cab")
RSS_C_GCAB=$(peak gcab -c -z "$WORK/gcab.cab" $(cat "$WORK/list"))

python3 - "$WORK" "$BYTES" <<PY
import json, os, sys
work, size = sys.argv[1], int(sys.argv[2])
rss = {"create": {"ours": "$RSS_C_OURS", "gcab": "$RSS_C_GCAB"},
       "extract": {"ours": "$RSS_X_OURS", "gcab": "$RSS_X_GCAB",
                   "cabextract": "$RSS_X_CABEXTRACT", "7zz": "$RSS_X_7ZZ"}}
sizes = {"ours": os.path.getsize(os.path.join(work, "ours.cab")),
         "ours-1-thread": os.path.getsize(os.path.join(work, "ours1.cab")),
         "gcab": os.path.getsize(os.path.join(work, "gcab.cab"))}
print("| operation | tool | mean s | +- | MB/s | cabinet bytes | peak RSS KB |")
print("|---|---|---|---|---|---|---|")
for op in ("create", "extract"):
    for r in json.load(open(os.path.join(work, op + ".json")))["results"]:
        name = r["command"]
        print("| %s | %s | %.3f | %.3f | %.1f | %s | %s |" % (
            op, name, r["mean"], r["stddev"], size / r["mean"] / 1e6,
            sizes.get(name, "") if op == "create" else "",
            rss[op].get(name, "")))
PY
