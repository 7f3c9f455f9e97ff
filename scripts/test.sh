#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   scripts/test.sh --tsan       ThreadSanitizer build in build-tsan/, run against an instrumented
#                                QtCore (scripts/build-tsan-qt.sh builds it once and caches it)
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'
}
mode=plain
case $# in
  0) ;;
  1) case "$1" in
       --sanitize) mode=sanitize ;;
       --tsan) mode=tsan ;;
       -h|--help) usage; exit 0 ;;
       *) echo "scripts/test.sh: unknown option '$1'" >&2; usage >&2; exit 2 ;;
     esac ;;
  *) echo "scripts/test.sh: takes at most one option" >&2; usage >&2; exit 2 ;;
esac

scripts/install-deps.sh

build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
ctest_flags=()
if [ "$mode" = sanitize ]; then
  build=build-asan
  flags=(-DCMAKE_BUILD_TYPE=Debug -DQZ_SANITIZE=ON -DQZ_BUILD_BENCH=OFF)
  ctest_flags=(-LE xvfb)  # the window under a real X server runs once, in the plain build
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
elif [ "$mode" = tsan ]; then
  build=build-tsan
  tsan=(-fsanitize=thread -fno-omit-frame-pointer)
  # The window is left out: Qt's platform plugins do not load beside the instrumented QtCore.
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQZ_BUILD_BENCH=OFF -DQZ_BUILD_GUI=OFF
         "-DCMAKE_CXX_FLAGS=${tsan[*]}" -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
         -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread -DCMAKE_MODULE_LINKER_FLAGS=-fsanitize=thread)
  qtcore=$(scripts/build-tsan-qt.sh)
  export LD_LIBRARY_PATH="$qtcore${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
  export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"
  ctest_flags=(-LE single-thread)
fi

cmake -S . -B "$build" -G Ninja "${flags[@]}"
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "${ctest_flags[@]}"
