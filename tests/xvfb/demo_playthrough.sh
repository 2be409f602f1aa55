#!/usr/bin/env bash
# Plays the demo game in a real window under Xvfb with the mouse, the wheel and the keyboard (xdotool),
# taking a screenshot of every screen: the opening movie, the title, the gallery locked, the first
# chapter, the message log with a voice replayed, the picture view, the choices (idle, hovered, chosen), the chapter's event
# picture, the second chapter with the Puppet mother, its ending back at the title, the gallery with
# its pictures, and the load and configuration screens opened from the title.
# Then it closes the window at the title; the game must end with status 0.
# Usage: demo_playthrough.sh GAME_DIR XCLOSE OUTPUT_DIR
set -euo pipefail
GAME_DIR=$1 XCLOSE=$2 OUT=$3
mkdir -p "$OUT"
source "$(dirname "$0")/work_folder.sh"
copy_game "$GAME_DIR" fresh
cat > "$WORK/inner.sh" <<INNER
set -euo pipefail
# A click is held for a tenth of a second, as a hand would, so that a frame sees it.
click() { xdotool mousemove "\$1" "\$2"; sleep 0.2; xdotool mousedown 1; sleep 0.1; xdotool mouseup 1; }
# Waits until the screen has stopped changing (the cursor rests in a corner with no button), at most
# 10 s; an animated screen (the Puppet mother idles) just ends the wait.
settle() {
  xdotool mousemove 40 40
  local last="" now
  for i in \$(seq 40); do
    sleep 0.25
    now=\$(import -window root rgb:- | md5sum)
    [ "\$now" = "\$last" ] && return 0
    last=\$now
  done
}
shot() { settle; import -window root "$OUT/\$1.png"; }
# The next line: a click where no button is, and time for the line to be revealed whole.
next() { click 400 200; sleep 1.5; }
"$WORK/Marlowe" & pid=\$!
for i in \$(seq 300); do xwininfo -name Marlowe >/dev/null 2>&1 && break; sleep 0.1; done
xdotool windowfocus "\$(xdotool search --name Marlowe | head -1)"
sleep 1.5
import -window root "$OUT/01_movie.png"
click 40 40
shot 02_title
click 400 448; shot 03_gallery_locked
click 680 556; settle
click 400 316; sleep 1.5; shot 04_chapter1
next; next; shot 05_two_friends
xdotool click 4; shot 06_log
click 44 141; sleep 0.5
xdotool click 5; settle
xdotool key space; shot 07_picture_view
click 400 200; settle
next; sleep 1; import -window root "$OUT/08_choice.png"
# The first answer under the cursor, then chosen: taken early in its flash, in its first faint turn.
xdotool mousemove 400 174; sleep 0.5; import -window root "$OUT/08_choice_hovered.png"
xdotool mousedown 1; sleep 0.05; xdotool mouseup 1; sleep 0.03; import -window root "$OUT/08_choice_chosen.png"
sleep 2; next; sleep 1; import -window root "$OUT/09_timed_choice.png"
click 400 206; sleep 3; next; next; sleep 1; import -window root "$OUT/10_mother_first.png"
next; shot 11_event_picture
next; sleep 1; shot 12_chapter2
next; next; sleep 0.5; import -window root "$OUT/13_mother_talks.png"
next; next; next; shot 14_ending
next; sleep 2; shot 15_title_again
click 400 448; shot 16_gallery
click 280 280; shot 17_gallery_picture
click 400 200; shot 18_title_at_the_end
click 400 360; shot 19_load_from_title
click 744 570; settle
click 400 404; shot 20_config_from_title
click 744 570; settle
"$XCLOSE" Marlowe
status=0; wait \$pid || status=\$?
echo "game status \$status"
exit \$status
INNER
"$(dirname "$0")/with_xvfb.sh" 800x600 bash "$WORK/inner.sh"
