#!/usr/bin/env bash
# Runs the Direct3D 9 window demo under Xvfb and compares a screenshot of its window with the frame the
# device says it presented: every pixel must match.
# Usage: d3d9_window.sh DEMO XCLOSE OUTPUT_DIR
set -euo pipefail
DEMO=$1 XCLOSE=$2 OUT=$3
mkdir -p "$OUT"
FRAME="$OUT/d3d9_window_frame.ppm" SHOT="$OUT/d3d9_window_shot.png"
rm -f "$FRAME" "$SHOT"
export SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$(mktemp -d)
unset SDL_VIDEODRIVER
cat > "$XDG_RUNTIME_DIR/inner.sh" <<INNER
set -euo pipefail
"$DEMO" "$FRAME" & pid=\$!
for i in \$(seq 100); do [ -s "$FRAME" ] && xwininfo -name D3D9Demo >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.5
import -window "\$(xwininfo -name D3D9Demo | awk '/Window id/ {print \$4}')" "$SHOT"
"$XCLOSE" D3D9Demo
wait \$pid
INNER
xvfb-run -a -s "-screen 0 640x480x24" bash "$XDG_RUNTIME_DIR/inner.sh"
rm -rf "$XDG_RUNTIME_DIR"
diff=$(compare -metric AE "$FRAME" "$SHOT" null: 2>&1 || true)
echo "pixels that differ: $diff"
[ "$diff" = "0" ]
