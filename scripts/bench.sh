#!/usr/bin/env bash
# Builds the benchmarks in Release (build-rel/), runs every benchmark three times and prints on
# stdout the table of performance goals of the book and push paths (each goal's median over the
# runs, the spread (lowest-highest), and whether the median meets it; rows without a target are
# information), then the growth of the book's decode and join. Ratios are taken between rows of
# the same run; allocation counts are exact. Build and benchmark chatter goes to stderr.
#   scripts/bench.sh              build, run, print the tables
#   scripts/bench.sh --no-build   use the benchmarks already in build-rel/
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-rel
runs=3
do_build=1
case $# in
  0) ;;
  1) case "$1" in
       --no-build) do_build=0 ;;
       -h|--help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
       *) echo "scripts/bench.sh: unknown option '$1'" >&2; exit 2 ;;
     esac ;;
  *) echo "scripts/bench.sh: takes at most one option" >&2; exit 2 ;;
esac

if [ "$do_build" = 1 ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQZ_BUILD_BENCH=ON \
    "${launcher[@]}" >&2
  targets=$(sed -n 's/^add_executable(\(bench_[a-z_]*\).*/\1/p' bench/CMakeLists.txt)
  # shellcheck disable=SC2086
  nice cmake --build "$build" --target $targets -j"$(nproc)" >&2
fi

# The raw reports stay beside the build for a closer look.
out="$build/bench-results"
rm -rf "$out"
mkdir -p "$out"
for run in $(seq 1 "$runs"); do
  for bench in "$build"/bench/bench_*; do
    [ -f "$bench" ] && [ -x "$bench" ] || continue
    name=$(basename "$bench")
    echo "run $run: $name" >&2
    "$bench" --benchmark_format=json >"$out/$name.$run.json" 2>/dev/null
  done
done

python3 - "$out" "$runs" <<'PY'
import json, os, statistics, sys

folder, runs = sys.argv[1], int(sys.argv[2])

def parse(path):
    with open(path) as f:
        text = f.read()
    try:
        return json.loads(text)
    except ValueError:
        # A benchmark that wrote to stdout besides its report: no goal reads it; say which one.
        print("bench.sh: %s is not valid JSON; left out" % os.path.basename(path), file=sys.stderr)
        return {"benchmarks": []}

def load(run):
    rows = {}
    for file in os.listdir(folder):
        if file.endswith(".%d.json" % run):
            for b in parse(os.path.join(folder, file))["benchmarks"]:
                if b.get("run_type", "iteration") == "iteration":
                    rows[b["name"].replace("/real_time", "")] = b
    return rows

# Ratios of single-threaded rows use CPU time: on a shared machine the wall clock also counts the
# time other processes held the core. Rows timed on the wall clock (several threads) keep it.
def ns(rows, name):
    b = rows[name]
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
    clock = "real_time" if b["name"].endswith("/real_time") else "cpu_time"
    return b[clock] * scale

def counter(name, key):
    return lambda r: r[name][key]

def ratio(a, b):
    return lambda r: ns(r, a) / ns(r, b)

def worst(*figures):
    return lambda r: max(f(r) for f in figures)

std_fn = "BM_StdFunctionCall"
# Goals: (title, "<=" or ">=", target, figure). A target of None marks a row shown for
# information only (p99 latencies on a shared machine measure the machine as much as the path).
goals = [
    ("12989 typical push: decode+join / memcpy", "<=", 150,
     ratio("BM_12989DecodeJoinTypicalPush", "BM_Memcpy12989Book")),
    ("12989 typical push: allocations", "<=", 110,
     counter("BM_12989DecodeJoinTypicalPush", "allocs/msg")),
    ("12989 new book: decode+join / memcpy", "<=", 400,
     ratio("BM_12989DecodeJoinNewBook", "BM_Memcpy12989Book")),
    ("12989 new book: allocations", "<=", 250,
     counter("BM_12989DecodeJoinNewBook", "allocs/msg")),
    # Whole path: CPU time per message on the accessors' threads, bursts of 16 (see
    # bench_pipeline.cpp); the rows below with the sending and popping thread are information.
    ("12989 whole path CPU / decode", "<=", 2.5,
     counter("BM_Path12989/16", "accessor_cpu/decode")),
    ("10001 push whole path CPU / decode", "<=", 3,
     counter("BM_Path10001/16", "accessor_cpu/decode")),
    ("publish fixed cost / std::function call", "<=", 25, ratio("BM_Publish/1", std_fn)),
    ("publish per extra subscriber / std::function", "<=", 10,
     lambda r: (ns(r, "BM_Publish/8") - ns(r, "BM_Publish/1")) / 7 / ns(r, std_fn)),
    ("ResponseCache get / QHash::find (10, 100 keys)", "<=", 2,
     worst(ratio("BM_ResponseCacheGet/10", "BM_QHashFind/10"),
           ratio("BM_ResponseCacheGet/100", "BM_QHashFind/100"))),
    ("ResponseCache put / QHash::find (10, 100 keys)", "<=", 4,
     worst(ratio("BM_ResponseCachePut/10", "BM_QHashFind/10"),
           ratio("BM_ResponseCachePut/100", "BM_QHashFind/100"))),
    ("10002 all-mask decode / memcpy", "<=", 50,
     ratio("BM_10002DecodeAllMask", "BM_Memcpy10002AllMask")),
    # Floors under two of the rows above, measured beside them: the host's row and map types
    # built for a new book by the plainest code, with its texts formatted and with them made
    # beforehand; and the accessor's hand-off of a push to the client's queue with nothing done
    # to it on the way.
    ("12989 new book, host types alone / memcpy", "<=", None,
     ratio("BM_12989NewBookFloor/0", "BM_Memcpy12989Book")),
    ("12989 new book, host types alone: allocations", "<=", None,
     counter("BM_12989NewBookFloor/0", "allocs/msg")),
    ("12989 new book, host types alone, texts made beforehand / memcpy", "<=", None,
     ratio("BM_12989NewBookFloor/1", "BM_Memcpy12989Book")),
    ("10001 push hand-off alone CPU / decode", "<=", None,
     counter("BM_HandOff10001/16", "accessor_cpu/decode")),
    ("accessor wake-ups a burst of 16 (10001)", "<=", None,
     counter("BM_Path10001/16", "accessor_sleeps/burst")),
    ("12989 whole path CPU / decode, one at a time", "<=", None,
     counter("BM_Path12989/1", "accessor_cpu/decode")),
    ("10001 push whole path CPU / decode, one at a time", "<=", None,
     counter("BM_Path10001/1", "accessor_cpu/decode")),
    ("12989 process CPU / decode, bursts of 16", "<=", None,
     counter("BM_Path12989/16", "cpu/decode")),
    ("10001 push process CPU / decode, bursts of 16", "<=", None,
     counter("BM_Path10001/16", "cpu/decode")),
    ("12989 typical push: decode+join (us)", "<=", None,
     lambda r: ns(r, "BM_12989DecodeJoinTypicalPush") / 1e3),
    ("p99 to host queue, 50 stocks paced (us)", "<=", None, counter("BM_Tick50/0", "p99_us")),
    ("p99 to host queue, 50 stocks at once (us)", "<=", None, counter("BM_Tick50/1", "p99_us")),
]

all_rows = [load(run) for run in range(1, runs + 1)]
print("| goal | target | median | spread | met |")
print("|---|---|---|---|---|")
for title, op, target, figure in goals:
    values = []
    for rows in all_rows:
        try:
            values.append(figure(rows))
        except (KeyError, ZeroDivisionError):
            pass
    shown = "(information)" if target is None else "%s %g" % (op, target)
    if not values:
        print("| %s | %s | n/a | n/a | %s |" % (title, shown, "-" if target is None else "no"))
        continue
    median = statistics.median(values)
    if target is None:
        met = "-"
    else:
        met = "yes" if (median <= target if op == "<=" else median >= target) else "no"
    print("| %s | %s | %.3g | %.3g-%.3g | %s |"
          % (title, shown, median, min(values), max(values), met))
# Growth of the book's decode and join: per message against the levels a push changes and the
# orders queued at a level (medians over the runs; allocations are exact).
growth = sorted({name for rows in all_rows for name in rows
                 if name.startswith("BM_12989DecodeJoinGrowth/")},
                key=lambda n: [int(p.split(":")[1]) for p in n.split("/")[1:]])
if growth:
    print()
    print("| levels changed | orders a level | decode+join (us) | allocations |")
    print("|---|---|---|---|")
    for name in growth:
        args = dict(p.split(":") for p in name.split("/")[1:])
        times = [ns(rows, name) / 1e3 for rows in all_rows if name in rows]
        allocs = [rows[name]["allocs/msg"] for rows in all_rows if name in rows]
        print("| %s | %s | %.2f | %.0f |" % (args["changed"], args["queued"],
                                               statistics.median(times), statistics.median(allocs)))
PY
