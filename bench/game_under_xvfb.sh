# Sourced by the benchmark scripts that start the game under Xvfb: a work folder removed at the end (with
# the game and the X server still running then), a lock folder of the run's own, and start_xvfb.
#   source bench/game_under_xvfb.sh NAME   (NAME names the work folder: marlowe-NAME.XXXXXX)
WORK=$(mktemp -d -t "marlowe-$1.XXXXXX")
GAME_PID=
XVFB_PID=
cleanup() {
    [ -n "$GAME_PID" ] && kill "$GAME_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
# A lock folder of this run's own: a game already running elsewhere (the game allows one instance per
# lock folder) must not stop the one measured here.
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# start_xvfb BASE: a private X display at the game's size, numbered from BASE, answering when this returns;
# sets `display`.
start_xvfb() {
    display=:$(($1 + $$ % 300))
    Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do xwininfo -display "$display" -root >/dev/null 2>&1 && break; sleep 0.05; done
}
