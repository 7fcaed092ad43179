#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time, starting from
# its committed seeds, and fails on the first crash. New inputs go to a
# scratch folder, never into the committed corpus; a crashing input is kept
# under BUILD/fuzz-artifacts/ to become a unit-test row.
#
# Usage: fuzz/run.sh BUILD SECONDS_EACH
set -euo pipefail
build=$1
seconds=$2
source_dir=$(cd "$(dirname "$0")" && pwd)
artifacts=$build/fuzz-artifacts
mkdir -p "$artifacts"
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

for fuzzer in fuzz_utf8 fuzz_bracketed fuzz_names; do
  scratch=$(mktemp -d)
  log=$build/$fuzzer.log
  status=0
  "$build/fuzz/$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$fuzzer-" \
    "$scratch" "$source_dir/corpus/$fuzzer" >"$log" 2>&1 || status=$?
  rm -rf "$scratch"
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "$fuzzer: ${executions:-?} executions in ${seconds} s, exit status $status"
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    exit 1
  fi
done
