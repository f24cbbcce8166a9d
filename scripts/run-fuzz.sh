#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for FUZZ_S seconds each, one after the other, and
# prints one summary line per target: executions, coverage (edges and features), corpus size and
# crashes. New inputs go to <build>/fuzz-corpus/<name>; the saved seeds in tests/fuzz/corpus are
# read, never changed. A crash leaves its input in <build>/fuzz-crashes and fails the run.
#   scripts/run-fuzz.sh <fuzz build dir> [seconds]
set -uo pipefail
build=${1:?usage: run-fuzz.sh <fuzz build dir> [seconds]}
seconds=${2:-${FUZZ_S:-60}}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$build/fuzz-corpus" "$build/fuzz-crashes"
failed=0
summary=()
for bin in "$build"/bin/fuzz_*; do
  [ -x "$bin" ] || continue
  name=${bin##*/fuzz_}
  work="$build/fuzz-corpus/$name"
  log="$build/fuzz-$name.log"
  mkdir -p "$work"
  echo "== fuzz_$name for ${seconds} s"
  "$bin" -max_total_time="$seconds" -print_final_stats=1 -timeout=25 -rss_limit_mb=2048 \
    -artifact_prefix="$build/fuzz-crashes/$name-" "$work" "$root/tests/fuzz/corpus/$name" \
    >"$log" 2>&1
  status=$?
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$')
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  cov=$(echo "$last" | grep -o 'cov: [0-9]*' | grep -o '[0-9]*')
  ft=$(echo "$last" | grep -o 'ft: [0-9]*' | grep -o '[0-9]*')
  corp=$(echo "$last" | grep -o 'corp: [0-9]*' | grep -o '[0-9]*')
  crashes=$(ls "$build/fuzz-crashes" | grep -c "^$name-" || true)
  line="fuzz_$name: ${execs:-0} executions, cov ${cov:-?} edges, ft ${ft:-?}, corpus ${corp:-?}, crashes ${crashes}"
  echo "$line"
  summary+=("$line")
  if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    failed=1
    tail -40 "$log"
  fi
done
echo "== summary"
printf '%s\n' "${summary[@]}"
exit $failed
