#!/usr/bin/env bash
# Memcheck over the library's test suite and over the tool on representative
# command lines (single file, list, -d -s, and the failures that end a run).
# Fails on any memory error and on any block definitely lost. Memory that a
# run still holds when it ends the process with status -1 is reachable, not
# lost, and is allowed: the tool releases nothing on the way out by design.
#
#   bash .ci/valgrind.sh
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
command -v valgrind >/dev/null || missing+=(valgrind)
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v make >/dev/null || missing+=(make)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

b=build/valgrind
cmake -S . -B "$b" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIK_WERROR=ON -DTARVIK_BUILD_BENCH=OFF >/dev/null
cmake --build "$b" -j2 --target korvane_tests Tarvik make_sample

logs="$PWD/$b/valgrind-logs"
work="$PWD/$b/valgrind-work"
rm -rf "$logs" "$work"
mkdir -p "$logs" "$work"
memcheck=(valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite
          --errors-for-leak-kinds=definite --error-exitcode=99 --num-callers=30)

tarvik="$PWD/$b/Tarvik/Tarvik"
sample="$PWD/$b/tools/make_sample"
(
  cd "$work"
  "$sample" s1.las --points 20000 --format 1 >/dev/null
  "$sample" s2.las --points 5000 --format 1 --seed 2 >/dev/null
  "$sample" f0.las --points 3000 --format 0 --minor 0 >/dev/null
  "$sample" c3.las --points 2000 --format 3 >/dev/null
  printf 's1.las\ns2.las s1.las\n' >list.txt
  printf 's1.las f0.las\n' >mixed.txt
  printf 'garbage' >bad.las
  head -c 1000 s1.las >cut.las
  cp s2.las full.las
  ln -sf /dev/full full_stats.asc
)

# Each line: the status the run must end with, then its arguments.
runs=(
  "0 s1.las"
  "0 s1.las -d -s"
  "0 list.txt -d -s"
  "0 f0.las -s"
  "0 c3.las -d"
  "0 -h"
  "255"
  "255 s1.las -d -d"
  "255 missing.las"
  "255 bad.las -s"
  "255 cut.las -d -s"
  "255 mixed.txt"
  "255 full.las -s -d"
)
failed=0
n=0
for line in "${runs[@]}"; do
  read -r want args <<<"$line"
  n=$((n + 1))
  set +e
  # shellcheck disable=SC2086 # the arguments are words
  (cd "$work" && "${memcheck[@]}" --log-file="$logs/tarvik-$n.log" "$tarvik" $args >/dev/null)
  status=$?
  set -e
  echo "Tarvik ${args:-(no arguments)}: status $status"
  if [ "$status" != "$want" ]; then
    echo "!! expected status $want (99 is a memcheck finding): $logs/tarvik-$n.log"
    failed=1
  fi
done

echo "== korvane_tests under memcheck"
# The address-space limit of this test leaves no room for memcheck itself.
set +e
(cd "$b/tests" && "${memcheck[@]}" --log-file="$logs/korvane-%p.log" ./korvane_tests \
  --gtest_filter=-Quicksort.HostileInputWithoutMemoryToSpare --gtest_brief=1)
status=$?
set -e
if [ "$status" != 0 ]; then
  echo "!! korvane_tests under memcheck: status $status"
  failed=1
fi

# Forked children write logs of their own; every log must be clean.
if grep -l -E "ERROR SUMMARY: [1-9]|definitely lost: [1-9]" "$logs"/*.log; then
  grep -h -E -B2 -A25 "Invalid|uninitialised|definitely lost in" "$logs"/*.log | head -120
  failed=1
fi
[ "$failed" = 0 ] && echo "memcheck: no error, no leak" || { echo "memcheck found faults"; exit 1; }
