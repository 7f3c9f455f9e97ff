#!/usr/bin/env bash
# The link-fault test (tests/stress/tst_linkfaults) made long: 30 watched stocks with every kind
# of live data through many link drops (outages from 0.5 s to several seconds, around the 3000 ms
# repeat window), pauses, replaced and withdrawn views, with an honest and a spoiling server, seed
# after seed for a few minutes per build, in the normal build and the AddressSanitizer build. Each
# seed runs every ending of the test: a last outage of 4 s, short ones right after the books were
# asked for, an outage right after the views open. Not run by CI. Prints, per build: runs, crashes,
# failed runs, sanitizer reports, and per data kind the stocks whose view got fresh data after the
# last restore (recovered / watched, over every run) and the slowest recovery; then the wall time
# of a recovery (p50 / max) and RSS at start / peak / end. Exits 1 when any run failed or crashed.
#
# With --tcp, the same 30 stocks watched over TCP (tests/stress/tst_tcpfaults): a qzlv2-server
# process killed (SIGKILL) and started again on its port, stopped (SIGSTOP) and continued, or
# restarted, at random moments, --cycles faults a run (default 12 here), real time; the same
# report, the RSS being the watching process's.
#
#   scripts/chaos.sh [--tcp] [--minutes N] [--cycles N] [--builds "build build-asan"]
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=3     # per build
cycles=""     # link drops and restores per run and ending (300), or faults per TCP run (12)
builds="build build-asan"
tcp=0
while [ $# -gt 0 ]; do
  case "$1" in
    --tcp) tcp=1; shift ;;
    --minutes) minutes=$2; shift 2 ;;
    --cycles) cycles=$2; shift 2 ;;
    --builds) builds=$2; shift 2 ;;
    *) echo "usage: $0 [--tcp] [--minutes N] [--cycles N] [--builds \"build build-asan\"]" >&2; exit 2 ;;
  esac
done
if [ $tcp -eq 1 ]; then
  cycles=${cycles:-12}
  target=tst_tcpfaults
  targets="tst_tcpfaults qzlv2-server"
  run_test() { QZ_TCP_FAULT_CYCLES=$cycles QZ_FAULT_SEED=$2 "$1" randomFaults; }
  what="$cycles faults each (kill -9 and a restart on the port, SIGSTOP and SIGCONT, a restart) over TCP"
else
  cycles=${cycles:-300}
  target=tst_linkfaults
  targets=tst_linkfaults
  run_test() { QZ_FAULT_CYCLES=$cycles QZ_FAULT_SEED=$2 "$1"; }
  what="6 endings each, $cycles cycles x 2 servers"
fi

scripts/install-deps.sh >&2

configure() {
  local dir=$1
  [ -f "$dir/build.ninja" ] && return
  local flags=(-DCMAKE_BUILD_TYPE=Debug)
  [ "$dir" = build-asan ] && flags+=(-DQZ_SANITIZE=ON -DQZ_BUILD_BENCH=OFF)
  # ccache only speeds a rebuild up; a fresh machine builds without it.
  command -v ccache >/dev/null && flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
}

# p50 and max of the numbers on stdin, "-" when there are none.
p50_max() {
  sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) { print "- / -"; exit }
                   print v[int((NR + 1) / 2)] " / " v[NR] }'
}

# The per-kind table from the tests' "recovery: 12989 30/30 500 ms, 10001 ..." lines on stdin.
kind_table() {
  sed -n 's/^recovery: //p' | tr ',' '\n' | awk '
    NF == 4 { split($2, n, "/"); kind = $1; got[kind] += n[1]; all[kind] += n[2]
              if (!(kind in slow)) { slow[kind] = -1; order[++kinds] = kind }
              if ($3 != "-" && $3 + 0 > slow[kind]) slow[kind] = $3 + 0 }
    END { printf "   %-6s %-22s %s\n", "kind", "recovered / watched", "slowest recovery"
          for (i = 1; i <= kinds; ++i) { k = order[i]
            printf "   %-6s %-22s %s\n", k, got[k] " / " all[k], slow[k] < 0 ? "-" : slow[k] " ms" } }'
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QTEST_FUNCTION_TIMEOUT=86400000  # ms: a long run outlasts Qt Test's 5-minute default
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
kept=chaos-logs  # logs of crashed and failed runs, for a look afterwards
bad=0

for dir in $builds; do
  configure "$dir"
  # shellcheck disable=SC2086
  nice cmake --build "$dir" --target $targets -j2 >/dev/null
  exe=$dir/tests/stress/$target
  runs=0 crashes=0 failed=0
  end=$((SECONDS + minutes * 60))
  seed=1
  while [ $SECONDS -lt $end ] || [ $runs -eq 0 ]; do
    log=$logs/$dir-$seed.log
    status=0
    run_test "$exe" "$seed" >"$log" 2>&1 || status=$?
    runs=$((runs + 1))
    if [ $status -ge 128 ] || grep -qE 'Received signal|WATCHDOG' "$log"; then
      crashes=$((crashes + 1))
    elif [ $status -ne 0 ]; then
      failed=$((failed + 1))
      grep -E '^FAIL!' "$log" | sed "s/^/  seed $seed: /" | head -3
    fi
    if [ $status -ne 0 ]; then
      bad=1
      mkdir -p "$dir/$kept" && cp "$log" "$dir/$kept/"
      echo "  seed $seed: exit $status; log kept in $dir/$kept/$(basename "$log")"
    fi
    seed=$((seed + 1))
  done
  reports=$(cat "$logs/$dir"-*.log |
            grep -cE 'ERROR: (Address|Leak)Sanitizer|runtime error:|WARNING: ThreadSanitizer' || true)
  [ "$reports" -eq 0 ] || bad=1
  runlines=$(cat "$logs/$dir"-*.log | grep -h '^fault run:' || true)
  wall=$(echo "$runlines" | sed -nE 's/.*recovery ([0-9]+) us wall.*/\1/p' | p50_max)
  rss=$(echo "$runlines" | sed -nE 's/.*rss kB ([0-9]+) start ([0-9]+) peak ([0-9]+) end.*/\1 \2 \3/p' |
        awk 'NR == 1 { s = $1 } { if ($2 > p) p = $2; e = $3 } END { print s " / " p " / " e }')
  echo "== $dir: $runs runs (seeds 1-$((seed - 1))) of $what"
  echo "   crashes: $crashes   failed runs: $failed   sanitizer reports: $reports"
  echo "   fresh data after the last restore, per kind (bound: 5000 ms; 12842: 10500 ms; 12915: 13000 ms):"
  cat "$logs/$dir"-*.log | kind_table
  echo "   wall time of a recovery, p50 / max: $wall us"
  echo "   RSS kB start / peak / end: $rss"
done
exit $bad
