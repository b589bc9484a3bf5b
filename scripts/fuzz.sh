#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each one for a given time, printing
# its executions and coverage. The seed corpus lives in fuzz/corpus/<target>/;
# new inputs go to build/fuzz/work/<target>/. A crash leaves its input in
# build/fuzz/findings/ and makes the script fail: turn it into a test.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]     (default 60 s, every target)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true

scripts/bootstrap.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in build/fuzz/fuzz/fuzz_*; do targets+=("$(basename "$t" | sed 's/^fuzz_//')"); done
fi

status=0
mkdir -p build/fuzz/findings
printf '%-12s %12s %10s %10s %s\n' target executions exec/s coverage result
for name in "${targets[@]}"; do
  work="build/fuzz/work/$name"
  mkdir -p "$work" "fuzz/corpus/$name"
  log="build/fuzz/$name.log"
  set +e
  "build/fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
    -artifact_prefix="build/fuzz/findings/$name-" "$work" "fuzz/corpus/$name" >"$log" 2>&1
  rc=$?
  set -e
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo 0)
  result=ok
  if [ $rc -ne 0 ]; then result="FINDING (see $log)"; status=1; fi
  printf '%-12s %12s %10s %10s %s\n' "$name" "$execs" "$rate" "$cov" "$result"
done
exit $status
