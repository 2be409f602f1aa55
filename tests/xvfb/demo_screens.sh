#!/usr/bin/env bash
# Plays the start of the demo game in a real window under Xvfb and takes screenshots: the opening
# movie, the title screen, the first line being revealed, the first line whole, both characters with a named line (the README's
# picture), and the save, load and configuration screens opened through the button bar. Clicks are held for a tenth of a second, as a hand would, so that a frame sees them.
# Usage: demo_screens.sh GAME_DIR OUTPUT_DIR
set -euo pipefail
GAME_DIR=$1 OUT=$2
mkdir -p "$OUT"
source "$(dirname "$0")/work_folder.sh"
copy_game "$GAME_DIR" fresh
cat > "$WORK/inner.sh" <<INNER
set -euo pipefail
click() { xdotool mousedown 1; sleep 0.1; xdotool mouseup 1; sleep 1.5; }
"$WORK/Marlowe" & pid=\$!
for i in \$(seq 100); do xwininfo -name Marlowe >/dev/null 2>&1 && break; sleep 0.1; done
xdotool windowfocus "\$(xdotool search --name Marlowe | head -1)"
xdotool mousemove 400 300
sleep 1.5
import -window root "$OUT/demo_0_movie.png"
# A click fades the opening movie out; the title screen's NEW GAME starts the first chapter.
xdotool mousedown 1; sleep 0.1; xdotool mouseup 1
sleep 2
import -window root "$OUT/demo_0_title.png"
xdotool mousemove 400 316; sleep 0.3; xdotool mousedown 1; sleep 0.1; xdotool mouseup 1
xdotool mousemove 400 300
sleep 1
import -window root "$OUT/demo_1_reveal.png"
sleep 2
import -window root "$OUT/demo_2_line.png"
click; click; click
import -window root "$OUT/demo_3_two.png"
# The button bar's SAVE, LOAD and CONFIG (columns 0-2 from x 180 on the message window's top edge):
# a slot saved on the save screen, then the load screen showing it, then the configuration screen.
at() { xdotool mousemove "\$1" "\$2"; sleep 0.3; click; }
at 212 458
at 110 185
import -window root "$OUT/demo_4_save.png"
at 744 570
at 278 458
import -window root "$OUT/demo_5_load.png"
at 744 570
at 344 458
import -window root "$OUT/demo_6_config.png"
at 744 570
kill \$pid
wait \$pid || true
INNER
xvfb-run -a -s "-screen 0 800x600x24" bash "$WORK/inner.sh"
