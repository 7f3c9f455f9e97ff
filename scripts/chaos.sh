#!/usr/bin/env bash
# The link-fault test (tests/stress/tst_linkfaults) made long: 30 watched stocks through many
# link drops, pauses, replaced and withdrawn views, with an honest and a spoiling server, seed
# after seed for a few minutes per build, in the normal build and the AddressSanitizer build.
# Not run by CI. Prints, per build: runs, crashes, failed runs, sanitizer reports, starved
# stocks, recovery time after the last restore (p50 / max, simulated and wall), RSS at
# start / peak / end.
#
#   scripts/chaos.sh [--minutes N] [--cycles N] [--builds "build build-asan"]
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=3     # per build
cycles=600    # link drops and restores per run and server
builds="build build-asan"
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes=$2; shift 2 ;;
    --cycles) cycles=$2; shift 2 ;;
    --builds) builds=$2; shift 2 ;;
    *) echo "usage: $0 [--minutes N] [--cycles N] [--builds \"build build-asan\"]" >&2; exit 2 ;;
  esac
done

configure() {
  local dir=$1
  [ -f "$dir/build.ninja" ] && return
  local flags=(-DCMAKE_BUILD_TYPE=Debug)
  [ "$dir" = build-asan ] && flags+=(-DQZ_SANITIZE=ON -DQZ_BUILD_BENCH=OFF)
  cmake -S . -B "$dir" -G Ninja "${flags[@]}" -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
}

# p50 and max of the numbers on stdin, "-" when there are none.
p50_max() {
  sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) { print "- / -"; exit }
                   print v[int((NR + 1) / 2)] " / " v[NR] }'
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QTEST_FUNCTION_TIMEOUT=86400000  # ms: a long run outlasts Qt Test's 5-minute default
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
kept=chaos-logs  # logs of crashed and failed runs, for a look afterwards

for dir in $builds; do
  configure "$dir"
  nice cmake --build "$dir" --target tst_linkfaults -j2 >/dev/null
  exe=$dir/tests/stress/tst_linkfaults
  runs=0 crashes=0 failed=0
  end=$((SECONDS + minutes * 60))
  seed=1
  while [ $SECONDS -lt $end ] || [ $runs -eq 0 ]; do
    log=$logs/$dir-$seed.log
    status=0
    QZ_FAULT_CYCLES=$cycles QZ_FAULT_SEED=$seed "$exe" >"$log" 2>&1 || status=$?
    runs=$((runs + 1))
    if [ $status -ge 128 ] || grep -qE 'Received signal|WATCHDOG' "$log"; then
      crashes=$((crashes + 1))
    elif [ $status -ne 0 ]; then
      failed=$((failed + 1))
      grep -E '^FAIL!' "$log" | sed "s/^/  seed $seed: /" | head -3
    fi
    if [ $status -ne 0 ]; then
      mkdir -p "$dir/$kept" && cp "$log" "$dir/$kept/"
      echo "  seed $seed: exit $status; log kept in $dir/$kept/$(basename "$log")"
    fi
    seed=$((seed + 1))
  done
  reports=$(cat "$logs/$dir"-*.log |
            grep -cE 'ERROR: (Address|Leak)Sanitizer|runtime error:|WARNING: ThreadSanitizer' || true)
  runlines=$(cat "$logs/$dir"-*.log | grep -h '^fault run:' || true)
  starved=$(echo "$runlines" | sed -nE 's/.* ([0-9]+) stale.*/\1/p' | awk '{ s += $1 } END { print s + 0 }')
  sim=$(echo "$runlines" | sed -nE 's/.*\(([0-9]+) ms simulated.*/\1/p' | p50_max)
  wall=$(echo "$runlines" | sed -nE 's/.*simulated, ([0-9]+) us wall.*/\1/p' | p50_max)
  rss=$(echo "$runlines" | sed -nE 's/.*rss kB ([0-9]+) start ([0-9]+) peak ([0-9]+) end.*/\1 \2 \3/p' |
        awk 'NR == 1 { s = $1 } { if ($2 > p) p = $2; e = $3 } END { print s " / " p " / " e }')
  echo "== $dir: $runs runs of $cycles cycles x 2 servers (seeds 1-$((seed - 1)))"
  echo "   crashes: $crashes   failed runs: $failed   sanitizer reports: $reports"
  echo "   starved clean stocks after the last restore: $starved"
  echo "   recovery after the last restore, p50 / max: $sim ms simulated, $wall us wall"
  echo "   RSS kB start / peak / end: $rss"
done
