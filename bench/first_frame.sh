#!/usr/bin/env bash
# The game's start: the time from starting the program to its first frame on screen, and the processor time
# it used until then, for one or more builds, each start under a fresh Xvfb, the builds taking turns round
# by round (bench/first_frame.py measures).
#   bench/first_frame.sh ROUNDS BUILD_OR_GAME_DIR...
# A build folder is run on a scene made from its demo (a background, the message window and one line); a
# game folder (one holding Marlowe) is run as it is.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
ROUNDS=${1:?usage: bench/first_frame.sh ROUNDS BUILD_OR_GAME_DIR...}
shift
[ $# -gt 0 ] || { echo "usage: bench/first_frame.sh ROUNDS BUILD_OR_GAME_DIR..." >&2; exit 2; }
source "$ROOT/bench/game_under_xvfb.sh" first-frame

games=()
for arg in "$@"; do
    dir=$(cd "$arg" && pwd)
    if [ -x "$dir/game/Marlowe" ]; then
        game="$WORK/game-${#games[@]}"
        make_waiting_game "$game" "$dir" 0
    elif [ -x "$dir/Marlowe" ]; then
        game="$WORK/game-${#games[@]}"
        cp -r "$dir" "$game"
    else
        echo "first_frame: $arg holds neither game/Marlowe nor Marlowe" >&2
        exit 2
    fi
    echo "game-${#games[@]}: $arg"
    games+=("$game")
done
HOME="$WORK" python3 "$ROOT/bench/first_frame.py" "$ROUNDS" "${games[@]}"
