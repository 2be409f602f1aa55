#!/usr/bin/env bash
# Times what a player waits for: `git clone` of a repository, configuring and building the `game` target
# (as scripts/play.sh does, with $JOBS jobs), then starting Marlowe under Xvfb until its window is mapped.
#   bench/clone_to_window.sh [REPOSITORY] [cold|warm]
# cold: a private, empty ccache folder; warm: the user's ccache as it is (build once before to fill it).
# Prints one line per phase in seconds. Everything lives in a mktemp folder that is removed at the end.
set -euo pipefail
REPO=${1:-$(cd "$(dirname "$0")/.." && pwd)}
CACHE=${2:-warm}
JOBS=${JOBS:-3}
source "$(dirname "$0")/game_under_xvfb.sh" clone
if [ "$CACHE" = cold ]; then
    export CCACHE_DIR="$WORK/ccache"
    mkdir -p "$CCACHE_DIR"
fi
now() { date +%s.%N; }
start=$(now)
git clone -q "$REPO" "$WORK/src"
cloned=$(now)
cmake -S "$WORK/src" -B "$WORK/src/build" -G Ninja >/dev/null
cmake --build "$WORK/src/build" -j "$JOBS" --target game >/dev/null
built=$(now)

# The window counts once the game's window is visible.
start_xvfb 200
launched=$(now)
HOME="$WORK/home" DISPLAY="$display" SDL_AUDIODRIVER=dummy "$WORK/src/build/game/Marlowe" >/dev/null 2>&1 &
GAME_PID=$!
until DISPLAY="$display" xdotool search --onlyvisible --pid "$GAME_PID" >/dev/null 2>&1; do
    kill -0 "$GAME_PID" 2>/dev/null || { echo "the game ended before its window appeared" >&2; exit 1; }
    sleep 0.02
done
shown=$(now)
awk -v s="$start" -v c="$cloned" -v b="$built" -v l="$launched" -v w="$shown" -v cache="$CACHE" 'BEGIN {
    printf "ccache %s: clone %.1f s, configure and build the game %.1f s, start to window %.2f s, clone to window %.1f s\n",
           cache, c - s, b - c, w - l, (b - s) + (w - l) }'
