#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, ASan, UBSan) and runs
# each for a bounded time from seeds made by the project's own code. Any
# crash, sanitizer report, leak, timeout or failed check fails the script;
# the input that caused it is kept in build/fuzz/findings/.
#
#   bash .ci/fuzz.sh                    every target, 50 s each
#   FUZZ_SECONDS=3600 bash .ci/fuzz.sh tarvik_run    one target, an hour
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-50}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(check_las tarvik_run tarvik_list update_header quicksort)

# libFuzzer comes with clang's runtime package; a fresh machine may lack both.
missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v make >/dev/null || missing+=(make)
command -v clang++ >/dev/null || missing+=(clang)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
  missing+=(libclang-rt-14-dev)
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

out=build/fuzz
rm -rf "$out/seeds" "$out/findings"
mkdir -p "$out/findings"
"$out/fuzz/make_seeds" "$out/seeds"

failed=()
for t in "${targets[@]}"; do
  corpus="$out/corpus/$t"
  log="$out/findings/$t.log"
  mkdir -p "$corpus"
  echo "== fuzz $t for $seconds s"
  # -timeout: a run of any of these on a few kilobytes takes milliseconds,
  # so ten seconds is a hang. Leaks are reported as findings.
  if "$out/fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -detect_leaks=1 -print_final_stats=1 -artifact_prefix="$out/findings/$t-" \
      "$corpus" "$out/seeds/$t" >"$log" 2>&1; then
    grep -E "^stat::number_of_executed_units|^Done" "$log" || true
  else
    echo "!! $t: finding (log $log)"
    grep -E -A 30 "ERROR|FUZZ FINDING|runtime error" "$log" | head -60 || tail -40 "$log"
    failed+=("$t")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}"
  exit 1
fi
echo "fuzzing: no finding"
