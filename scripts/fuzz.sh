#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, ASan and UBSan (into build-fuzz/, or $FUZZ_BUILD_DIR)
# and runs each for FUZZ_SECONDS (default 600) with FUZZ_JOBS parallel jobs (default 2). New inputs
# collect in <build>/corpus/<target>, findings (crash-, leak-, timeout-, oom- files) in
# <build>/findings/<target>, logs in <build>/logs/<target>; the executions of each run are printed.
# Arguments: the targets to run (lzss, archive, ...); none runs them all.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
SECONDS_EACH="${FUZZ_SECONDS:-600}"
JOBS="${FUZZ_JOBS:-2}"
"$ROOT/scripts/setup-debian.sh" --fuzz
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DMARLOWE_FUZZ=ON -DMARLOWE_BENCH=OFF >/dev/null
mapfile -t ALL < <(cut -d' ' -f1 "$BUILD/fuzz_inputs.txt" | sed 's/^fuzz_//')
TARGETS=("$@")
((${#TARGETS[@]})) || TARGETS=("${ALL[@]}")
cmake --build "$BUILD" -j "$(nproc)" --target "${TARGETS[@]/#/fuzz_}"
for t in "${TARGETS[@]}"; do
  read -r -a inputs < <(grep "^fuzz_$t " "$BUILD/fuzz_inputs.txt" | cut -d' ' -f2-)
  mkdir -p "$BUILD/corpus/$t" "$BUILD/findings/$t" "$BUILD/logs/$t"
  (cd "$BUILD/logs/$t" && rm -f fuzz-*.log &&
   "$BUILD/bin/fuzz_$t" -max_total_time="$SECONDS_EACH" -jobs="$JOBS" -workers="$JOBS" -timeout=10 \
     -rss_limit_mb=2048 -artifact_prefix="$BUILD/findings/$t/" "$BUILD/corpus/$t" "${inputs[@]}" \
     >/dev/null 2>&1 || true)
  # A job that stops on a finding prints no "Done" line.
  runs=$({ grep -h "^Done [0-9]* runs" "$BUILD/logs/$t"/fuzz-*.log || true; } | awk '{s += $2} END {print s + 0}')
  findings=$(find "$BUILD/findings/$t" -type f | wc -l)
  echo "$t: $runs executions in ${SECONDS_EACH}s x $JOBS jobs, $findings findings"
done
