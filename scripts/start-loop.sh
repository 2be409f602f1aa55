#!/usr/bin/env bash
# Starts and closes the game over and over under Xvfb, as players and desktops do, to catch start-up and
# shutdown races: each start runs a fresh copy of the game folder, waits for its window, starts a
# second instance (which must leave without a window), then asks the first to close with
# WM_DELETE_WINDOW at a random moment. Counts crashes, starts without a window and ignored closes;
# the exit status is 1 when any count is not 0.
#   scripts/start-loop.sh [STARTS]      (default 200)
#   GAME_DIR=path/to/game  LOAD=N (N busy processes beside the game)
#   STACKS=1 (the stacks of a game that hangs, through gdb)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
STARTS="${1:-200}"
GAME_DIR="${GAME_DIR:-${BUILD_DIR:-$ROOT/build}/game}"
LOAD="${LOAD:-0}"
WINDOW_WAIT=60     # seconds for a window to appear (a loaded machine is slow)
REFUSE_WAIT=30     # seconds for the second instance to leave
CLOSE_WAIT=10      # seconds for the first to exit after the close request
for tool in Xvfb xdotool python3; do
    command -v "$tool" >/dev/null || { echo "start-loop: $tool is missing" >&2; exit 2; }
done
[ -x "$GAME_DIR/Marlowe" ] || { echo "start-loop: no game in $GAME_DIR (build first)" >&2; exit 2; }

SCRATCH="$(mktemp -d -t marlowe-start-loop.XXXXXX)"
chmod 700 "$SCRATCH"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$SCRATCH"
}
trap cleanup EXIT
trap "exit 130" INT TERM

# A display of our own: the first free number from 120. It does not reset when its last client leaves
# (-noreset), so that the X tools of this script are never turned away between starts.
n=120
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=("$!")
export DISPLAY=":$n"
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
# The game's single-instance lock lives here, away from any game the user runs.
export XDG_RUNTIME_DIR="$SCRATCH/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export HOME="$SCRATCH/home" SDL_AUDIODRIVER=dummy
mkdir -p "$HOME"
for _ in $(seq "$LOAD"); do
    (while :; do :; done) &
    pids+=("$!")
done

# Sends WM_DELETE_WINDOW to a window, as a window manager's close button does.
close_window() {
    python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]
d = x.XOpenDisplay(None)
if not d:
    sys.exit(1)
e = ClientMessage()
e.type = 33  # ClientMessage
e.window = int(sys.argv[1])
e.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
e.format = 32
e.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
e.data[1] = 0  # CurrentTime
x.XSendEvent(d, e.window, 0, 0, ctypes.byref(e))
x.XFlush(d)
x.XCloseDisplay(d)
PY
}

# Waits up to $2 seconds for process $1 to end; sets rc to its exit status, or to "" if it still runs.
wait_exit() {
    local pid=$1 deadline=$((SECONDS + $2))
    rc=""
    while [ -n "$(ps -o stat= -p "$pid" 2>/dev/null | grep -v Z)" ]; do
        [ $SECONDS -ge $deadline ] && return 0
        sleep 0.05
    done
    rc=0
    wait "$pid" || rc=$?
}

crashes=0 no_window=0 ignored=0 not_refused=0 bad_exit=0
report_bad() {  # START WHAT COPY [PID]: tells what went wrong, with the game's last words
    echo "start $1: $2" >&2
    tail -n 5 "$SCRATCH/out-$1.txt" "$3/log.txt" 2>/dev/null | sed 's/^/    /' >&2 || true
    if [ -n "${4:-}" ] && [ "${STACKS:-0}" = 1 ] && command -v gdb >/dev/null; then
        gdb -p "$4" -batch -ex "thread apply all bt" 2>/dev/null | grep -E '^(#|Thread)' | sed 's/^/    /' >&2 || true
    fi
}
for i in $(seq "$STARTS"); do
    copy="$SCRATCH/game-$i"
    cp -r "$GAME_DIR" "$copy"
    "$copy/Marlowe" >"$SCRATCH/out-$i.txt" 2>&1 &
    first=$!
    window=""
    deadline=$((SECONDS + WINDOW_WAIT))
    while [ -z "$window" ] && [ $SECONDS -lt $deadline ] && kill -0 "$first" 2>/dev/null; do
        window="$(xdotool search --onlyvisible --pid "$first" 2>/dev/null | head -1 || true)"
        [ -n "$window" ] || sleep 0.05
    done
    if [ -z "$window" ]; then
        no_window=$((no_window + 1))
        report_bad "$i" "no window" "$copy" "$first"
        kill -9 "$first" 2>/dev/null || true
        wait_exit "$first" 5
        case "$rc" in 1[3-9][0-9]) [ "$rc" != 137 ] && crashes=$((crashes + 1)) ;; esac
        rm -rf "$copy"
        continue
    fi
    # A second instance finds the first running and leaves without a window.
    "$copy/Marlowe" >"$SCRATCH/second-$i.txt" 2>&1 &
    second=$!
    wait_exit "$second" "$REFUSE_WAIT"
    if [ -z "$rc" ]; then
        not_refused=$((not_refused + 1))
        report_bad "$i" "second instance still running" "$copy" "$second"
        kill -9 "$second" 2>/dev/null || true
        wait "$second" 2>/dev/null || true
    elif [ "$rc" -ge 128 ]; then
        crashes=$((crashes + 1))
        report_bad "$i" "second instance died with status $rc" "$copy"
    fi
    # The close comes at a random moment of the first seconds of play.
    sleep "0.$((RANDOM % 10))$((RANDOM % 10))"
    close_window "$window" || true
    wait_exit "$first" "$CLOSE_WAIT"
    if [ -z "$rc" ]; then
        ignored=$((ignored + 1))
        report_bad "$i" "close ignored" "$copy" "$first"
        kill -9 "$first" 2>/dev/null || true
        wait "$first" 2>/dev/null || true
    elif [ "$rc" -ge 128 ]; then
        crashes=$((crashes + 1))
        report_bad "$i" "died with status $rc" "$copy"
    elif [ "$rc" -ne 0 ]; then
        bad_exit=$((bad_exit + 1))
        report_bad "$i" "exit status $rc" "$copy"
    fi
    rm -rf "$copy" "$SCRATCH/out-$i.txt" "$SCRATCH/second-$i.txt"
    [ $((i % 20)) -eq 0 ] && echo "start-loop: $i starts done" >&2
done
echo "starts: $STARTS  crashes: $crashes  without a window: $no_window  ignored closes: $ignored" \
     " second instance not refused: $not_refused  other exit status: $bad_exit"
[ $((crashes + no_window + ignored + not_refused + bad_exit)) -eq 0 ]
