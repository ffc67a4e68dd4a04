#!/usr/bin/env bash
# Runs every fuzz harness of a fuzz build for a given number of seconds, one after the
# other, and prints how many inputs each executed.
#   scripts/run-fuzzers.sh <fuzz build folder> <seconds per harness> [harness ...]
# Each harness grows its corpus in <build>/fuzz-corpus/<harness>, starting from the seeds in
# <build>/fuzz-seeds/<reader>; an input that crashes, leaks, trips a sanitizer or breaks an
# invariant is kept as <build>/fuzz-artifacts/<harness>-crash-<hash> (reproduce it with
# `<build>/bin/<harness> <file>`). Exits non-zero when any harness found something.
set -euo pipefail

build=${1:?usage: run-fuzzers.sh <fuzz build folder> <seconds per harness> [harness ...]}
seconds=${2:?usage: run-fuzzers.sh <fuzz build folder> <seconds per harness> [harness ...]}
shift 2
build=$(cd "$build" && pwd)
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  harnesses=(fuzz_import fuzz_material fuzz_engine_intake fuzz_surface)
fi

# The seed corpus of each harness.
seeds_of() {
  case "$1" in
    fuzz_import) echo import ;;
    fuzz_material) echo material ;;
    fuzz_engine_intake) echo engine ;;
    fuzz_surface) echo surface ;;
    *) echo "unknown harness $1" >&2; exit 2 ;;
  esac
}

mkdir -p "$build/fuzz-artifacts"
failed=()
summary=()
for harness in "${harnesses[@]}"; do
  seeds="$build/fuzz-seeds/$(seeds_of "$harness")"
  corpus="$build/fuzz-corpus/$harness"
  log="$build/fuzz-artifacts/$harness.log"
  mkdir -p "$corpus"
  echo "== $harness: $seconds s, corpus $corpus, seeds $seeds"
  status=0
  "$build/bin/$harness" "$corpus" "$seeds" \
    -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-artifacts/$harness-" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  summary+=("$harness: ${runs:-?} executions in $seconds s")
  if [ "$status" -ne 0 ]; then
    failed+=("$harness")
    echo "!! $harness failed (exit $status); the end of its log ($log):"
    tail -n 60 "$log"
  fi
done

echo "== fuzzing summary"
printf '  %s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "Harnesses with findings: ${failed[*]} (inputs in $build/fuzz-artifacts)" >&2
  exit 1
fi
