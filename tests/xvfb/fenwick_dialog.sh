#!/usr/bin/env bash
# Runs Fenwick's real dialog under Xvfb (one display mode, 1280x1024): the keyboard checks "no movies"
# and OK saves it with the display's size; a second Fenwick meanwhile exits at once with 0; Escape
# cancels without writing; "start the game" saves, starts Marlowe from Fenwick's folder and ends with
# 1002 (status 234).
# Usage: fenwick_dialog.sh GAME_DIR XCLOSE [SCREENSHOT.png]
set -euo pipefail
GAME_DIR=$1 XCLOSE=$2 SHOT=${3:-}
source "$(dirname "$0")/work_folder.sh"
copy_game "$GAME_DIR"
printf '[root]\r\nPlayMovie=1\r\nWidth=800\r\nHeight=600\r\nFullWidth=800\r\nFullHeight=600\r\n' > "$WORK/config.xml"
cat > "$WORK/inner.sh" <<INNER
set -euo pipefail
# A failure shows what the display and the programs were doing: the window tree, the processes of this
# run and the game's threads.
fail() {
  set +e
  echo "\$*"
  xwininfo -root -tree
  pgrep -af "$WORK/"
  for p in \$(pgrep -f "$WORK/Marlowe"); do gdb -p "\$p" -batch -ex "thread apply all bt" 2>/dev/null | grep -E '^(#|Thread)'; done
  cat "$WORK/log.txt"
  exit 1
}
expect_config() {
  printf '[root]\r\nPlayMovie=%s\r\nWidth=800\r\nHeight=600\r\nFullWidth=%s\r\nFullHeight=%s\r\n' "\$1" "\$2" "\$3" > "$WORK/expected"
  cmp -s "$WORK/config.xml" "$WORK/expected" || { cat -A "$WORK/config.xml"; fail "config.xml is not \$*"; }
}
open_dialog() {
  "$WORK/Fenwick" & pid=\$!
  wid=\$(timeout 30 xdotool search --sync --name '^Fenwick\$' | head -1)
  [ -n "\$wid" ] || fail "no Fenwick window"
  xdotool windowfocus --sync "\$wid"
  sleep 0.3
}
finish() { set +e; wait \$pid; status=\$?; set -e; [ "\$status" = "\$1" ] || fail "Fenwick ended with \$status, not \$1"; }

# OK through the keyboard: Tab from OK to Cancel to the check box, space checks it, Return presses OK.
open_dialog
"$WORK/Fenwick"; second=\$?
[ "\$second" = 0 ] || fail "second Fenwick ended with \$second"
if [ -n "$SHOT" ]; then import -window root "$SHOT"; fi
xdotool key Tab Tab space Return
finish 1
expect_config 0 1280 1024

# Escape cancels: the file stays as it was.
open_dialog
xdotool key Tab Tab space Escape
finish 2
expect_config 0 1280 1024

# "Start the game": uncheck, then click the button; Marlowe's window appears.
open_dialog
xdotool key Tab Tab space
xdotool mousemove --window "\$wid" 192 99 click 1
finish 234
expect_config 1 1280 1024
# A loaded machine may take a while to start the game: the deadlines are generous.
timeout 45 xdotool search --sync --name '^Marlowe\$' >/dev/null || fail "Marlowe did not start"
for i in \$(seq 450); do grep -q "Start-up: system set-up script AS.InitSystem.as done" "$WORK/log.txt" 2>/dev/null && break; sleep 0.1; done
"$XCLOSE" Marlowe
for i in \$(seq 300); do xwininfo -name Marlowe >/dev/null 2>&1 || break; sleep 0.1; done
xwininfo -name Marlowe >/dev/null 2>&1 && fail "Marlowe did not close"
echo "dialog runs passed"
INNER
"$(dirname "$0")/with_xvfb.sh" 1280x1024 bash "$WORK/inner.sh"
