#!/usr/bin/env bash
# CPU of the game while it waits for a click on a scene with the demo's Puppet character, against the same
# scene without the character (background, message window, one revealed line), under Xvfb, interleaved.
#   bench/puppet_scene.sh [BUILD_DIR] [ROUNDS]
# Prints each round's CPU in % of one core over $SECONDS_IDLE s (after the line is shown) and the medians.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
B=$(cd "${1:-$ROOT/build}" && pwd)
ROUNDS=${2:-3}
SECONDS_IDLE=${SECONDS_IDLE:-8}
source "$ROOT/bench/game_under_xvfb.sh" puppet

make_waiting_game "$WORK/without" "$B" 0
make_waiting_game "$WORK/with" "$B" 1

start_xvfb 500
one_run() { waiting_cpu "$1" | cut -d' ' -f1; }  # the CPU % of one core once the line is shown
with=() without=()
for r in $(seq "$ROUNDS"); do
    without+=("$(one_run "$WORK/without")")
    with+=("$(one_run "$WORK/with")")
    echo "round $r: without the character ${without[-1]} %, with ${with[-1]} %"
done
m0=$(median "${without[@]}") m1=$(median "${with[@]}")
awk -v a="$m0" -v b="$m1" 'BEGIN { printf "median: without %.1f %%, with %.1f %% of a core (%.1fx)\n", a, b, (a > 0 ? b / a : 0) }'
