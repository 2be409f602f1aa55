#!/usr/bin/env bash
# Runs a command against a private Xvfb server of the given screen size: with_xvfb.sh WxH COMMAND...
# The server picks a free display number itself (-displayfd), so parallel runs never collide.
# It does not reset when its last client leaves (-noreset): a resetting server turns connections away
# for a moment, and a test's programs and X tools connect and leave one after another.
set -euo pipefail
SIZE=$1
shift
DIR=$(mktemp -d)
trap 'kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; rm -rf "$DIR"' EXIT
Xvfb -displayfd 3 -screen 0 "${SIZE}x24" -nolisten tcp -noreset 3>"$DIR/display" 2>"$DIR/xvfb.log" &
XVFB_PID=$!
for _ in $(seq 100); do
  [ -s "$DIR/display" ] && break
  sleep 0.05
done
[ -s "$DIR/display" ] || { echo "Xvfb did not start"; cat "$DIR/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$DIR/display")"
"$@"
