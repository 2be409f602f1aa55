#!/usr/bin/env bash
# Plays the test clip in a real window under Xvfb and checks a screenshot taken while it is shown:
# red top left, green top right, blue bottom left (upright, not mirrored).
# Usage: movie_window.sh MOVIE_WINDOW CLIP XCLOSE [SCREENSHOT.png]
set -euo pipefail
VIEWER=$1 CLIP=$2 XCLOSE=$3 SHOT=${4:-}
source "$(dirname "$0")/work_folder.sh"
OUT=${SHOT:-$WORK/shot.png}
cat > "$WORK/inner.sh" <<INNER
set -euo pipefail
# The viewer holds the picture long after the clip; the screenshot waits for the first presented
# frame (a generous deadline for a loaded machine), then the window is closed.
"$VIEWER" "$CLIP" 40 > "$WORK/viewer.out" & pid=\$!
for i in \$(seq 300); do grep -q presented "$WORK/viewer.out" && break; kill -0 \$pid 2>/dev/null || break; sleep 0.1; done
grep -q presented "$WORK/viewer.out" || { kill \$pid 2>/dev/null; wait \$pid || true; echo "no movie frame was presented"; exit 1; }
timeout 20 import -window MovieWindow "$OUT"
"$XCLOSE" MovieWindow
wait \$pid
INNER
"$(dirname "$0")/with_xvfb.sh" 800x600 bash "$WORK/inner.sh"
pixel() { convert "$OUT" -format "%[fx:int(255*p{$1,$2}.r)] %[fx:int(255*p{$1,$2}.g)] %[fx:int(255*p{$1,$2}.b)]" info:; }
near() {  # near "r g b" R G B
    read -r r g b <<<"$1"
    for pair in "$r $2" "$g $3" "$b $4"; do
        set -- $pair
        [ $(( ($1 - $2) * ($1 - $2) )) -le 1600 ] || return 1
    done
}
status=0
for probe in "200 150 255 0 0" "600 150 0 255 0" "200 450 0 0 255"; do
    set -- $probe
    got=$(pixel "$1" "$2")
    near "$got" "$3" "$4" "$5" || { echo "pixel $1,$2 is $got, expected $3 $4 $5"; status=1; }
done
exit $status
