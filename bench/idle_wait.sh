#!/usr/bin/env bash
# Processor time of the game while it waits for a click at a fully shown line with no sound playing, under
# Xvfb with no sound card and software GL (as the team's peer harness runs it), with each thread's share and
# wakeups. Given a second build folder, runs both round by round, interleaved, and prints the ratio.
# Each round also measures the frame pacing alone (bench/pacing_floor of the first build that has it):
# the cost of 60 wake-ups a second with nothing done in them, the floor under the game's figure.
#   bench/idle_wait.sh [BUILD_DIR [OTHER_BUILD_DIR]]     (ROUNDS, 5; SECONDS_IDLE, 8)
# Prints, per round and build, the CPU in % of one core and "thread:%:wakeups/s" per thread name.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
ROUNDS=${ROUNDS:-5}
builds=("$(cd "${1:-$ROOT/build}" && pwd)")
[ $# -ge 2 ] && builds+=("$(cd "$2" && pwd)")
source "$ROOT/bench/game_under_xvfb.sh" idle

floor=
for b in "${builds[@]}"; do [ -z "$floor" ] && [ -x "$b/bin/pacing_floor" ] && floor=$b/bin/pacing_floor; done

for i in "${!builds[@]}"; do make_waiting_game "$WORK/game$i" "${builds[$i]}" 0; done
start_xvfb 600
declare -A cpu
for r in $(seq "$ROUNDS"); do
    for i in "${!builds[@]}"; do
        line=$(waiting_cpu "$WORK/game$i")
        cpu[$i]+="${line%% *} "
        echo "round $r, ${builds[$i]}: ${line%% *} % (${line#* })"
    done
    if [ -n "$floor" ]; then
        "$floor" $((${SECONDS_IDLE:-8} + 4)) &
        GAME_PID=$!
        sleep 3
        line=$(process_cpu "$GAME_PID")
        wait "$GAME_PID" || true
        GAME_PID=
        cpu[floor]+="${line%% *} "
        echo "round $r, pacing alone: ${line%% *} % (${line#* })"
    fi
done
for i in "${!builds[@]}"; do
    # shellcheck disable=SC2086  # one value per word
    m[$i]=$(median ${cpu[$i]})
    echo "median ${builds[$i]}: ${m[$i]} % of a core"
done
# shellcheck disable=SC2086  # one value per word
[ -n "$floor" ] && echo "median pacing alone: $(median ${cpu[floor]}) % of a core"
[ ${#builds[@]} -eq 2 ] && awk -v a="${m[0]}" -v b="${m[1]}" 'BEGIN { printf "ratio first/second: %.2f\n", (b > 0 ? a / b : 0) }'
exit 0
